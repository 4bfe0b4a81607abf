#pragma once

#include <cstdio>
#include <string>

// What the command line needs of the operating system beyond the core. The
// halves live in platform_posix.cpp and platform_win32.cpp.

bool isTerminal(std::FILE* stream);
// Prepares the console for UTF-8 output.
void prepareConsole();
void setEnvironmentVariable(const std::string& name, const std::string& value);
// Whether two paths name the same existing device. False when either is empty.
bool sameDevice(const std::string& first, const std::string& second);
// A hint for a port device that could not be opened: a missing device, or a
// lack of permission and how to get it. Empty when there is nothing to add.
std::string portAccessHint(const std::string& devicePath);
