#include "ports/adapter_info.h"

#include "ports/platform_ports.h"

#include <charconv>
#include <fstream>
#include <system_error>

namespace {

const std::filesystem::path usbSerialDevicesDirectory = "/sys/bus/usb-serial/devices";

// "/dev/serial/by-id/usb-FTDI...-port0" and "/dev/ttyUSB0" both name "ttyUSB0".
std::string ttyName(const std::string& devicePath)
{
    std::error_code error;
    std::filesystem::path device = std::filesystem::weakly_canonical(devicePath, error);
    if (error)
        device = devicePath;
    return device.filename().string();
}

std::optional<int> numberIn(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string text;
    if (!std::getline(in, text))
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data() || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<AdapterDriver> adapterDriverIn(const std::string& devicePath, const std::filesystem::path& ttyClass,
                                             const std::filesystem::path& usbSerialDevices)
{
    const std::string name = ttyName(devicePath);
    if (name.empty() || devicePath.empty())
        return std::nullopt;
    std::error_code error;
    const std::filesystem::path driverLink =
        std::filesystem::read_symlink(ttyClass / name / "device" / "driver", error);
    if (error || driverLink.filename().empty())
        return std::nullopt;
    return AdapterDriver{driverLink.filename().string(), numberIn(usbSerialDevices / name / "latency_timer")};
}

std::optional<AdapterDriver> platformAdapterDriver(const std::string& devicePath)
{
    return adapterDriverIn(devicePath, "/sys/class/tty", usbSerialDevicesDirectory);
}

std::string latencyTimerFile(const std::string& devicePath)
{
    return (usbSerialDevicesDirectory / ttyName(devicePath) / "latency_timer").string();
}
