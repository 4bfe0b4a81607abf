#include "ports/platform_ports.h"
#include "ports/port_enumeration.h"
#include "ports/port_numbers.h"

#include <string>

// The highest number the COM port database hands out.
const std::int32_t lastPortNumber = 256;

std::string portDevicePath(std::int32_t portNumber)
{
    if (!isPortNumber(portNumber))
        return {};
    return "\\\\.\\COM" + std::to_string(portNumber);
}

std::vector<std::int32_t> platformPresentPortNumbers()
{
    std::vector<std::int32_t> numbers;
    for (const PortDescription& port : enumeratedPorts())
        numbers.push_back(port.number);
    return numbers;
}

std::optional<AdapterName> platformAdapterName(const std::string& devicePath)
{
    const std::vector<PortDescription> ports = enumeratedPorts();
    const PortDescription* port = findDescribedPort(ports, devicePath);
    return port ? describedAdapterName(*port) : std::nullopt;
}

bool platformIsBluetoothLink(const std::string& devicePath)
{
    const std::vector<PortDescription> ports = enumeratedPorts();
    const PortDescription* port = findDescribedPort(ports, devicePath);
    return port && port->bluetooth;
}
