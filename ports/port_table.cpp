#include "ports/port_table.h"

#include "ports/port_names.h"

std::optional<std::size_t> PortTable::slot(std::int32_t portNumber)
{
    if (!isPortNumber(portNumber))
        return std::nullopt;
    return static_cast<std::size_t>(portNumber - firstPortNumber);
}

std::string PortTable::device(std::int32_t portNumber) const
{
    const auto index = slot(portNumber);
    if (!index)
        return {};
    if (pinned[*index])
        return *pinned[*index];
    return platformPortDevice(portNumber);
}

std::string PortTable::pin(std::int32_t portNumber)
{
    std::string now = device(portNumber);
    pin(portNumber, now);
    return now;
}

void PortTable::pin(std::int32_t portNumber, const std::string& device)
{
    const auto index = slot(portNumber);
    if (!index)
        return;
    if (device.empty())
        pinned[*index].reset();
    else
        pinned[*index] = device;
}

void PortTable::releasePins()
{
    pinned = {};
}

bool PortTable::isPinned(std::int32_t portNumber) const
{
    const auto index = slot(portNumber);
    return index && pinned[*index].has_value();
}

std::optional<std::int32_t> PortTable::freePort() const
{
    for (std::int32_t n = firstPortNumber; n <= lastPortNumber; ++n)
        if (device(n).empty())
            return n;
    return std::nullopt;
}

PortTable& portTable()
{
    static PortTable table;
    return table;
}

std::string portDevicePath(int portNumber)
{
    return portTable().device(portNumber);
}
