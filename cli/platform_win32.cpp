#include "cli/platform.h"

#include <io.h>
#include <windows.h>

bool isTerminal(std::FILE* stream)
{
    return _isatty(_fileno(stream)) != 0;
}

void prepareConsole()
{
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

bool sameDevice(const std::string& first, const std::string& second)
{
    return !first.empty() && _stricmp(first.c_str(), second.c_str()) == 0;
}

std::string portAccessHint(const std::string& devicePath, const std::error_code& cause)
{
    if (!cause)
        return {};
    switch (static_cast<DWORD>(cause.value())) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "Порту " + devicePath + " немає в системі: перевірте кабель і адаптер (див. veltor-update ports).";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return "Порт " + devicePath + " зайнятий іншою програмою.";
    case ERROR_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
        return "Лінія " + devicePath + " не приймає даних: чи не ввімкнено керування потоком без проводів для нього, "
               "чи не завис адаптер?";
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED:
        return "Зв'язок з " + devicePath + " втрачено: перевірте кабель і адаптер.";
    default:
        return {};
    }
}

bool flushToDisk(std::FILE* file)
{
    return _commit(_fileno(file)) == 0;
}
