#pragma once

#include <string>
#include <vector>

// The order in which COM1, COM2, ... are given to the serial devices found on
// a POSIX system: every ttyUSBn, then every ttyACMn, then every ttySn, each
// family by its number n. Names of any other shape are left out.
std::vector<std::string> orderPortDevices(const std::vector<std::string>& deviceNames);
