#include "ports/adapter_info.h"

#include "ports/platform_ports.h"
#include "ports/port_enumeration.h"

// Windows keeps an adapter's driver and latency timer in the device's own
// registry key; the port's Device Manager page shows and changes them.
std::optional<AdapterDriver> platformAdapterDriver(const std::string& devicePath)
{
    const std::vector<PortDescription> ports = enumeratedPorts();
    const PortDescription* port = findDescribedPort(ports, devicePath);
    return port ? describedAdapterDriver(*port) : std::nullopt;
}
