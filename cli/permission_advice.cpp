#include "cli/permission_advice.h"

namespace {

constexpr unsigned groupReadWrite = 0060;

bool joiningHelps(const DeviceAccess& access)
{
    const bool privileged = access.group == "root" || access.group == "0" || access.group == "wheel";
    return !privileged && !access.group.empty() && (access.mode & groupReadWrite) == groupReadWrite;
}

} // namespace

std::string permissionText(unsigned mode)
{
    const char letters[] = "rwxrwxrwx";
    std::string text;
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400u >> bit)) ? letters[bit] : '-';
    return text;
}

std::string permissionAdvice(const DeviceAccess& access)
{
    const std::string refused = "Немає дозволу на " + access.path + ". ";
    if (joiningHelps(access))
        return refused + "Додайте користувача до групи " + access.group + ":\n  sudo usermod -aG " + access.group +
               " \"$USER\"\nі увійдіть у систему знову.";
    return refused + "Власник " + access.owner + ", група " + access.group + ", права " + permissionText(access.mode) +
           ": доступ може дати адміністратор (наприклад, правилом udev для цього адаптера).";
}
