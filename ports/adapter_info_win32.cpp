#include "ports/adapter_info.h"

#include "ports/port_enumeration.h"

// Windows keeps an adapter's driver and latency timer in the device's own
// registry key; the port's Device Manager page shows and changes them.
std::optional<AdapterDriver> adapterDriver(const std::string& devicePath)
{
    const std::vector<PortDescription> ports = systemPorts();
    const PortDescription* port = findDescribedPort(ports, devicePath);
    return port ? describedAdapterDriver(*port) : std::nullopt;
}
