#include "cli/platform.h"

#include "cli/permission_advice.h"

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

DeviceAccess accessOf(const std::string& devicePath)
{
    DeviceAccess access{devicePath, "?", "?", 0};
    struct stat status {};
    if (stat(devicePath.c_str(), &status) != 0)
        return access;
    const struct passwd* user = getpwuid(status.st_uid);
    const struct group* group = getgrgid(status.st_gid);
    access.owner = user ? user->pw_name : std::to_string(status.st_uid);
    access.group = group ? group->gr_name : std::to_string(status.st_gid);
    access.mode = status.st_mode & 0777;
    return access;
}

std::string permissionHint(const std::string& devicePath)
{
    return permissionAdvice(accessOf(devicePath));
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
    case ETIMEDOUT:
        return "Лінія " + devicePath + " не приймає даних: чи не ввімкнено керування потоком без проводів для нього, "
               "чи не завис адаптер?";
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
