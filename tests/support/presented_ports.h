#pragma once

// Presents ports as the system would describe them, for the object's
// lifetime: a paired phone's Bluetooth links, an FTDI adapter with its latency
// timer. Each presented COMn is described wherever the device it leads to now
// is asked about; every other question goes to the platform. Alone, they are
// the only ports present.

#include "ports/port_descriptions.h"
#include "ports/port_names.h"
#include "ports/system_ports.h"

#include <algorithm>
#include <utility>
#include <vector>

class PresentedPorts final : public SystemPorts {
public:
    enum Company { WithThePlatforms, Alone };

    explicit PresentedPorts(std::vector<PortDescription> ports, Company company = WithThePlatforms)
        : presented(std::move(ports)), alone(company == Alone), scope(*this)
    {
    }

    std::vector<std::int32_t> presentPortNumbers() override
    {
        std::vector<std::int32_t> numbers = alone ? std::vector<std::int32_t>{} : platformPorts().presentPortNumbers();
        for (const PortDescription& port : presented)
            numbers.push_back(port.number);
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        return numbers;
    }
    std::optional<AdapterName> adapterName(const std::string& devicePath) override
    {
        const PortDescription* port = find(devicePath);
        return port ? describedAdapterName(*port) : platformPorts().adapterName(devicePath);
    }
    std::optional<AdapterDriver> adapterDriver(const std::string& devicePath) override
    {
        const PortDescription* port = find(devicePath);
        return port ? describedAdapterDriver(*port) : platformPorts().adapterDriver(devicePath);
    }
    bool isBluetoothLink(const std::string& devicePath) override
    {
        const PortDescription* port = find(devicePath);
        return port ? port->bluetooth : platformPorts().isBluetoothLink(devicePath);
    }

private:
    const PortDescription* find(const std::string& devicePath) const
    {
        const auto found = std::find_if(presented.begin(), presented.end(), [&](const PortDescription& port) {
            return !devicePath.empty() && portDevicePath(port.number) == devicePath;
        });
        return found == presented.end() ? nullptr : &*found;
    }

    std::vector<PortDescription> presented;
    bool alone;
    ScopedSystemPorts scope;
};
