#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The ports the tool offers: COM1 to COM10.
inline constexpr std::int32_t firstPortNumber = 1;
inline constexpr std::int32_t lastPortNumber = 10;

constexpr bool isPortNumber(std::int32_t number)
{
    return number >= firstPortNumber && number <= lastPortNumber;
}

// Which device stands behind each COMn in this process: the device it is
// pinned on, else the platform's own device for it (platformPortDevice:
// VELTOR_COMn or the scan on Linux, \\.\COMn on Windows).
//
// A pin keeps a port on one device while the platform's answer may change
// under it (an adapter plugged in or out renumbers the scan), so that the
// commands that follow a connect reach the instrument the connect found. A
// pin also leads a port to a device that the platform does not offer (a path
// the user typed).
class PortTable {
public:
    // The device behind COMn now; empty when there is none or n is no port.
    std::string device(std::int32_t portNumber) const;

    // Keeps COMn on the device it leads to now and returns that device. A
    // port that leads nowhere stays unpinned.
    std::string pin(std::int32_t portNumber);
    // Keeps COMn on the given device (an empty one unpins it).
    void pin(std::int32_t portNumber, const std::string& device);
    void releasePins();
    bool isPinned(std::int32_t portNumber) const;

    // The first port that leads to no device now.
    std::optional<std::int32_t> freePort() const;

private:
    static std::optional<std::size_t> slot(std::int32_t portNumber);

    std::array<std::optional<std::string>, lastPortNumber> pinned;
};

// The process's table, through which every SerialPort finds its device.
PortTable& portTable();
