#pragma once

#include <string>
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

// "minicom (PID 1234), screen (PID 99)"
std::string holdersText(const std::vector<PortHolder>& holders);
