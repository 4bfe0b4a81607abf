#include "ports/port_table.h"

#include "ports/port_names.h"

#include <algorithm>

bool isPortNumber(std::int32_t number)
{
    return number >= firstPortNumber && number <= lastPortNumber;
}

std::vector<std::int32_t> portButtonNumbers(std::vector<std::int32_t> present, std::size_t buttons)
{
    std::sort(present.begin(), present.end());
    present.erase(std::unique(present.begin(), present.end()), present.end());
    const auto lastOwn = static_cast<std::int32_t>(buttons);
    auto beyond = std::upper_bound(present.begin(), present.end(), lastOwn);
    std::vector<std::int32_t> numbers;
    for (std::int32_t own = 1; own <= lastOwn; ++own) {
        const bool ownPresent = std::binary_search(present.begin(), present.end(), own);
        numbers.push_back(!ownPresent && beyond != present.end() ? *beyond++ : own);
    }
    return numbers;
}

std::string PortTable::device(std::int32_t portNumber) const
{
    if (!isPortNumber(portNumber))
        return {};
    if (const auto found = pinned.find(portNumber); found != pinned.end())
        return found->second;
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
    if (!isPortNumber(portNumber))
        return;
    if (device.empty())
        pinned.erase(portNumber);
    else
        pinned[portNumber] = device;
}

void PortTable::releasePins()
{
    pinned = {};
}

bool PortTable::isPinned(std::int32_t portNumber) const
{
    return pinned.contains(portNumber);
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
