#include "cli/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The group that owns the device, which is the one to join (dialout on Debian
// and Ubuntu, uucp on some other systems).
std::string owningGroup(const struct stat& status)
{
    if (const struct group* entry = getgrgid(status.st_gid))
        return entry->gr_name;
    return "dialout";
}

} // namespace

bool isTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) == 1;
}

void prepareConsole() {}

void setEnvironmentVariable(const std::string& name, const std::string& value)
{
    setenv(name.c_str(), value.c_str(), 1);
}

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

std::string portAccessHint(const std::string& devicePath)
{
    if (devicePath.empty())
        return "За цим портом немає пристрою (див. veltor-update ports).";
    struct stat status {};
    if (stat(devicePath.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return "Пристрою " + devicePath + " немає: перевірте кабель і адаптер (див. veltor-update ports).";
        return "Немає доступу до " + devicePath + ": " + std::strerror(errno);
    }
    if (access(devicePath.c_str(), R_OK | W_OK) == 0 || errno != EACCES)
        return {};
    const std::string group = owningGroup(status);
    return "Немає дозволу на " + devicePath + ". Додайте користувача до групи " + group +
           ":\n  sudo usermod -aG " + group + " \"$USER\"\nі увійдіть у систему знову.";
}
