#include "ports/port_descriptions.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

constexpr std::int32_t highestComNumber = 256;

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperCase(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), upper);
    return result;
}

std::optional<std::uint16_t> hexId(std::string_view text, std::string_view key)
{
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos || text.size() < at + key.size() + 4)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text.substr(at + key.size(), 4)) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint16_t>(value);
}

// The parts of "USB\VID_0403&PID_6001\A50285BI" between the backslashes.
std::vector<std::string_view> segments(std::string_view id)
{
    std::vector<std::string_view> parts;
    for (std::size_t from = 0;;) {
        const std::size_t to = id.find('\\', from);
        parts.push_back(id.substr(from, to == std::string_view::npos ? std::string_view::npos : to - from));
        if (to == std::string_view::npos)
            return parts;
        from = to + 1;
    }
}

// The device's own serial number in its instance id: the last part of a USB
// id, unless Windows made that up for a device without one (it then holds
// '&'); the third field of FTDI's "VID_0403+PID_6001+A50285BIA".
std::string ownSerialNumber(std::string_view id, const std::vector<std::string_view>& parts)
{
    if (parts.size() < 3)
        return {};
    if (upperCase(parts[0]) == "FTDIBUS") {
        const std::size_t plus = parts[1].rfind('+');
        return plus == std::string_view::npos ? std::string() : std::string(parts[1].substr(plus + 1));
    }
    const bool function = upperCase(id).find("&MI_") != std::string::npos;
    if (function || parts[2].find('&') != std::string_view::npos)
        return {};
    return std::string(parts[2]);
}

std::string hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

bool describesBluetoothLink(const PortDeviceRecord& device)
{
    return upperCase(device.instanceId).starts_with("BTHENUM\\") || upperCase(device.service) == "BTHMODEM";
}

} // namespace

std::optional<std::int32_t> comPortNumber(std::string_view portName)
{
    if (portName.size() < 4 || portName.size() > 6 || upperCase(portName.substr(0, 3)) != "COM" ||
        portName[3] == '0')
        return std::nullopt;
    std::int32_t number = 0;
    for (char c : portName.substr(3)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number > highestComNumber)
        return std::nullopt;
    return number;
}

std::optional<UsbIdentity> usbIdentity(std::string_view instanceId, std::string_view parentInstanceId)
{
    const std::string id = upperCase(instanceId);
    const std::optional<std::uint16_t> vendor = hexId(id, "VID_");
    const std::optional<std::uint16_t> product = hexId(id, "PID_");
    if (!vendor || !product)
        return std::nullopt;
    UsbIdentity identity{*vendor, *product, {}};
    // The USB device above a composite's function or FTDI's own bus carries
    // the serial number as the adapter reports it.
    if (const std::optional<UsbIdentity> parent = usbIdentity(parentInstanceId);
        parent && parent->vendorId == identity.vendorId && !parent->serialNumber.empty())
        identity.serialNumber = parent->serialNumber;
    else
        identity.serialNumber = ownSerialNumber(instanceId, segments(instanceId));
    return identity;
}

std::vector<PortDescription> describePorts(const std::vector<SerialCommEntry>& serialComm,
                                           const std::vector<PortDeviceRecord>& devices)
{
    std::map<std::int32_t, PortDescription> ports;
    for (const SerialCommEntry& entry : serialComm)
        if (const std::optional<std::int32_t> number = comPortNumber(entry.portName))
            ports[*number].number = *number;
    for (const PortDeviceRecord& device : devices) {
        const std::optional<std::int32_t> number = comPortNumber(device.portName);
        if (!number)
            continue;
        PortDescription& port = ports[*number];
        port.number = *number;
        port.friendlyName = device.friendlyName.empty() ? device.portName : device.friendlyName;
        port.maker = device.maker;
        port.driver = device.service;
        port.usb = usbIdentity(device.instanceId, device.parentInstanceId);
        if (device.latencyTimerMs)
            port.latencyTimerMs = static_cast<int>(*device.latencyTimerMs);
        port.bluetooth = describesBluetoothLink(device);
    }
    std::vector<PortDescription> described;
    for (auto& [number, port] : ports)
        described.push_back(std::move(port));
    return described;
}

std::optional<AdapterName> describedAdapterName(const PortDescription& port)
{
    if (port.friendlyName.empty())
        return std::nullopt;
    std::string text = port.maker;
    const auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (port.usb) {
        add("USB " + hex4(port.usb->vendorId) + ":" + hex4(port.usb->productId));
        if (!port.usb->serialNumber.empty())
            add("серійний номер " + port.usb->serialNumber);
    }
    return AdapterName{port.friendlyName, text};
}

std::optional<AdapterDriver> describedAdapterDriver(const PortDescription& port)
{
    if (port.driver.empty())
        return std::nullopt;
    // Windows' own driver for the UARTs on the board (and on plain PCI cards).
    const bool builtIn = !port.usb && upperCase(port.driver) == "SERIAL";
    return AdapterDriver{port.driver, port.latencyTimerMs, builtIn};
}

const PortDescription* findDescribedPort(const std::vector<PortDescription>& ports, std::string_view device)
{
    if (device.starts_with("\\\\.\\"))
        device.remove_prefix(4);
    const std::optional<std::int32_t> number = comPortNumber(device);
    if (!number)
        return nullptr;
    const auto found = std::find_if(ports.begin(), ports.end(),
                                    [&](const PortDescription& port) { return port.number == *number; });
    return found == ports.end() ? nullptr : &*found;
}
