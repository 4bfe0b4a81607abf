#include "ports/system_ports.h"

#include "ports/platform_ports.h"

namespace {

class PlatformPorts final : public SystemPorts {
public:
    std::vector<std::int32_t> presentPortNumbers() override { return platformPresentPortNumbers(); }
    std::optional<AdapterName> adapterName(const std::string& devicePath) override
    {
        return platformAdapterName(devicePath);
    }
    std::optional<AdapterDriver> adapterDriver(const std::string& devicePath) override
    {
        return platformAdapterDriver(devicePath);
    }
    bool isBluetoothLink(const std::string& devicePath) override { return platformIsBluetoothLink(devicePath); }
};

SystemPorts* portsInUse = nullptr;

} // namespace

SystemPorts& platformPorts()
{
    static PlatformPorts ports;
    return ports;
}

SystemPorts& systemPorts()
{
    return portsInUse ? *portsInUse : platformPorts();
}

ScopedSystemPorts::ScopedSystemPorts(SystemPorts& ports) : previous(portsInUse)
{
    portsInUse = &ports;
}

ScopedSystemPorts::~ScopedSystemPorts()
{
    portsInUse = previous;
}

std::vector<std::int32_t> presentPortNumbers()
{
    return systemPorts().presentPortNumbers();
}

std::optional<AdapterName> adapterName(const std::string& devicePath)
{
    return systemPorts().adapterName(devicePath);
}

std::optional<AdapterDriver> adapterDriver(const std::string& devicePath)
{
    return systemPorts().adapterDriver(devicePath);
}

bool isBluetoothLink(const std::string& devicePath)
{
    return systemPorts().isBluetoothLink(devicePath);
}
