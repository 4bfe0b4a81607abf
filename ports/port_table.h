#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The ports the tool can open: COM1 to COM10 on Linux, where the scan gives
// them their numbers; every number Windows hands out there, COM1 to COM256.
inline constexpr std::int32_t firstPortNumber = 1;
extern const std::int32_t lastPortNumber;

bool isPortNumber(std::int32_t number);

// The window's port buttons.
inline constexpr std::size_t portButtonCount = 10;

// The port that each button stands for, given the ports present (in any
// order): button n stands for COMn; where ports beyond the buttons' own
// numbers are present, each button whose own COMn is not present takes the
// next of them in ascending order. A machine whose ports all lie within the
// buttons' numbers sees button n on COMn throughout.
std::vector<std::int32_t> portButtonNumbers(std::vector<std::int32_t> present,
                                            std::size_t buttons = portButtonCount);

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
    std::map<std::int32_t, std::string> pinned;
};

// The process's table, through which every SerialPort finds its device.
PortTable& portTable();
