#include "ports/resolved_port.h"

#include <utility>

namespace {

ResolvedPort described(std::string name, std::optional<std::int32_t> number, std::string device)
{
    ResolvedPort port{std::move(name), number, std::move(device), {}, {}, false};
    if (port.device.empty())
        return port;
    const PortSurvey survey;
    port.adapter = adapterName(port.device);
    port.driver = adapterDriver(port.device);
    port.bluetooth = isBluetoothLink(port.device);
    return port;
}

} // namespace

std::string comPortName(std::int32_t portNumber)
{
    return "COM" + std::to_string(portNumber);
}

ResolvedPort resolvePort(std::int32_t portNumber)
{
    return described(comPortName(portNumber), portNumber, portDevicePath(portNumber));
}

ResolvedPort resolveDevicePath(const std::string& path)
{
    return described(path, std::nullopt, path);
}
