#include "link/port_names.h"

#include <string>

std::string portDevicePath(int portNumber)
{
    if (portNumber < 1)
        return {};
    return "\\\\.\\COM" + std::to_string(portNumber);
}
