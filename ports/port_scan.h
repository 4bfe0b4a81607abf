#pragma once

#include "ports/port_names.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The order in which COM1, COM2, ... are given to the serial devices found on
// a POSIX system: every ttyUSBn, then every ttyACMn, then every ttySn, each
// family by its number n. Names of any other shape are left out.
std::vector<std::string> orderPortDevices(const std::vector<std::string>& deviceNames);

// adapterName with the directories to look in: the stable links (normally
// /dev/serial/by-id) and the tty class of sysfs (normally /sys/class/tty).
std::optional<AdapterName> adapterNameIn(const std::string& devicePath, const std::filesystem::path& byIdDirectory,
                                         const std::filesystem::path& ttyClassDirectory);
