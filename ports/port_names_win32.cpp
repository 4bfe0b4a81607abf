#include "ports/port_names.h"

#include <string>

std::string platformPortDevice(int portNumber)
{
    if (portNumber < 1)
        return {};
    return "\\\\.\\COM" + std::to_string(portNumber);
}

std::optional<AdapterName> adapterName(const std::string&)
{
    return std::nullopt;
}
