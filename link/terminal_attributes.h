#pragma once

// POSIX only: reading and changing a terminal's settings, through an interface
// so that a test can see what the port gives the driver, which a
// pseudo-terminal would take without acting on any of it.

#include "common/seam.h"

#include <termios.h>

class TerminalAttributes {
public:
    TerminalAttributes() = default;
    TerminalAttributes(const TerminalAttributes&) = delete;
    TerminalAttributes& operator=(const TerminalAttributes&) = delete;
    virtual ~TerminalAttributes() = default;

    // tcgetattr and tcsetattr (TCSANOW): false with errno set when they fail.
    virtual bool get(int fd, termios& settings) = 0;
    virtual bool set(int fd, const termios& settings) = 0;
};

template <>
TerminalAttributes& Seam<TerminalAttributes>::real();

// The driver's own calls unless a ScopedTerminalAttributes says otherwise.
inline TerminalAttributes& terminalAttributes()
{
    return Seam<TerminalAttributes>::get();
}

using ScopedTerminalAttributes = Seam<TerminalAttributes>::Scoped;
