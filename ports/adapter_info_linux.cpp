#include "ports/adapter_info.h"

#include "ports/platform_ports.h"
#include "ports/system_files.h"

#include <charconv>
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
    const std::string text = firstLineOf(file);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data() || value < 0)
        return std::nullopt;
    return value;
}

// A USB adapter's tty hangs on a USB interface (ttyACM) or on the usb-serial
// bus (ttyUSB); the computer's own UART hangs elsewhere: serial-base,
// platform, pnp or pci, by kernel and machine.
bool onComputersOwnBus(const std::filesystem::path& device)
{
    std::error_code error;
    const std::string bus = std::filesystem::read_symlink(device / "subsystem", error).filename().string();
    return !error && !bus.empty() && bus != "usb" && bus != "usb-serial";
}

} // namespace

std::optional<AdapterDriver> adapterDriverIn(const std::string& devicePath, const std::filesystem::path& ttyClass,
                                             const std::filesystem::path& usbSerialDevices)
{
    const std::string name = ttyName(devicePath);
    if (name.empty() || devicePath.empty())
        return std::nullopt;
    const std::filesystem::path device = ttyClass / name / "device";
    std::error_code error;
    const std::filesystem::path driverLink = std::filesystem::read_symlink(device / "driver", error);
    if (error || driverLink.filename().empty())
        return std::nullopt;
    return AdapterDriver{driverLink.filename().string(), numberIn(usbSerialDevices / name / "latency_timer"),
                         onComputersOwnBus(device)};
}

std::optional<AdapterDriver> platformAdapterDriver(const std::string& devicePath)
{
    return adapterDriverIn(devicePath, "/sys/class/tty", usbSerialDevicesDirectory);
}

std::string latencyTimerFile(const std::string& devicePath)
{
    return (usbSerialDevicesDirectory / ttyName(devicePath) / "latency_timer").string();
}
