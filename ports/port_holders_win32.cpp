#include "ports/port_holders.h"

#include <windows.h>

std::vector<PortHolder> portHolders(const std::string&)
{
    return {};
}

bool heldByAnotherProgram(const std::error_code& openFailure)
{
    if (openFailure.category() != std::system_category())
        return false;
    const auto code = static_cast<DWORD>(openFailure.value());
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION;
}

const char* anotherProgramHoldsText()
{
    return "зайнятий іншою програмою (яка саме, Windows без прав адміністратора не каже)";
}
