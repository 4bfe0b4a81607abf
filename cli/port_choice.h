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

// Resolves the port argument and pins the port on its device in the port
// table, so that every step of the run reaches the same device. The core opens
// ports by number only, so a device path is reached through a COMn that
// already leads to it or, failing that, the first COMn without a device (the
// last one when all have one), pinned on the path.
PortChoice choosePort(const std::string& text);
