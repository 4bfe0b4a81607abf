#pragma once

// Linux: the small text files in which the kernel tells of devices and
// processes (sysfs attributes, /proc/N/comm).

#include <filesystem>
#include <string>

// The file's first line without its line end and trailing blanks; empty when
// the file cannot be read.
std::string firstLineOf(const std::filesystem::path& file);
