#include "cli/platform.h"

#include <cstdlib>
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

void setEnvironmentVariable(const std::string& name, const std::string& value)
{
    _putenv_s(name.c_str(), value.c_str());
}

bool sameDevice(const std::string& first, const std::string& second)
{
    return !first.empty() && _stricmp(first.c_str(), second.c_str()) == 0;
}

std::string portAccessHint(const std::string&)
{
    return {};
}
