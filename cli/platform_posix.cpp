#include "cli/platform.h"

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The group that owns the device, which is the one to join (dialout on Debian
// and Ubuntu, uucp on some other systems).
std::string groupToJoin(const std::string& devicePath)
{
    struct stat status {};
    if (stat(devicePath.c_str(), &status) == 0)
        if (const struct group* entry = getgrgid(status.st_gid))
            return entry->gr_name;
    return "dialout";
}

std::string permissionHint(const std::string& devicePath)
{
    const std::string group = groupToJoin(devicePath);
    return "Немає дозволу на " + devicePath + ". Додайте користувача до групи " + group +
           ":\n  sudo usermod -aG " + group + " \"$USER\"\nі увійдіть у систему знову.";
}

} // namespace

bool isTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) == 1;
}

void prepareConsole() {}

bool sameDevice(const std::string& first, const std::string& second)
{
    if (first.empty() || second.empty())
        return false;
    struct stat a {};
    struct stat b {};
    if (stat(first.c_str(), &a) != 0 || stat(second.c_str(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string portAccessHint(const std::string& devicePath, const std::error_code& cause)
{
    if (!cause)
        return {};
    if (devicePath.empty())
        return "За цим портом немає пристрою (див. veltor-update ports).";
    switch (cause.value()) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return "Пристрою " + devicePath + " немає: перевірте кабель і адаптер (див. veltor-update ports).";
    case EACCES:
    case EPERM:
        return permissionHint(devicePath);
    case EBUSY:
        return "Порт " + devicePath + " зайнятий іншою програмою.";
    case ENOTTY:
        return devicePath + " не є послідовним портом (див. veltor-update ports).";
    case EIO:
        return "Зв'язок з " + devicePath + " втрачено: перевірте кабель і адаптер.";
    default:
        return "Система повідомляє про " + devicePath + ": " + cause.message();
    }
}

bool flushToDisk(std::FILE* file)
{
    return fsync(fileno(file)) == 0;
}
