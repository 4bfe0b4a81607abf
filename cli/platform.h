#pragma once

#include <cstdio>
#include <string>
#include <system_error>

// What the command line needs of the operating system beyond the core. The
// halves live in platform_posix.cpp and platform_win32.cpp.

bool isTerminal(std::FILE* stream);
// Prepares the console for UTF-8 output.
void prepareConsole();
// Whether two paths name the same existing device. False when either is empty.
bool sameDevice(const std::string& first, const std::string& second);
// A hint for a port device that failed, read from the operating system's
// error that the serial link reported as the cause: a missing device, a lack
// of permission and how to get it, a port held by another program, an adapter
// that went away. Empty when there is nothing to add.
std::string portAccessHint(const std::string& devicePath, const std::error_code& cause);
// Writes what the stream has handed to the system through to the disk.
bool flushToDisk(std::FILE* file);
