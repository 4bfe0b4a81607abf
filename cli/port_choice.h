#pragma once

#include "ports/resolved_port.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The port as typed: "3", "COM3" (also lower case, or with the Cyrillic
// letters the window's port buttons use), "\\.\COM3". Any number is returned,
// even one outside 1..10, so that the serial link reports it in its own words.
// No value: the text names no port number and is taken for a device path.
std::optional<std::int32_t> portNumberFromText(std::string_view text);

// The port argument resolved once into what it is: COMn by the platform's
// rule, or the device that a path names, called by that path.
ResolvedPort choosePort(const std::string& text);
