#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The port as typed: "3", "COM3" (also lower case, or with the Cyrillic
// letters the window's port buttons use), "\\.\COM3". Any number is returned,
// even one outside 1..10, so that the serial link reports it in its own words.
// No value: the text names no port number and is taken for a device path.
std::optional<std::int32_t> portNumberFromText(std::string_view text);

struct PortChoice {
    std::int32_t number = 0;
    std::string device;      // the device behind COMn; empty when there is none
};

// Resolves the port argument. The core opens ports by number only, so a device
// path is reached through a COMn that already leads to it or, failing that, a
// COMn without a device, pointed at the path for this process (VELTOR_COMn).
PortChoice choosePort(const std::string& text);
