#pragma once

#include <string>
#include <system_error>
#include <vector>

// Another process that has a port's device open.
struct PortHolder {
    int pid = 0;
    std::string name;   // the program's name as the system gives it
};

// The other processes that have the device open, so that a port held by a
// program that takes no lock is known as busy before a run fails on it. The
// process at the other end of a pseudo-terminal (which holds its master) is the
// line's peer, not another user, and is left out. None on Windows, where the
// exclusive open already refuses a port that is in use.
std::vector<PortHolder> portHolders(const std::string& devicePath);

// Whether a port's open failed because another program has it open, and how
// the front ends say so where portHolders cannot name the program: Windows
// tells that much only, which program it is only an administrator can find out.
bool heldByAnotherProgram(const std::error_code& openFailure);
const char* anotherProgramHoldsText();

// "minicom (PID 1234), screen (PID 99)"
std::string holdersText(const std::vector<PortHolder>& holders);
