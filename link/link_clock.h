#pragma once

#include "common/seam.h"

#include <chrono>
#include <ctime>

// The seconds clock and the pauses of the serial link. Every wait of the link
// (read time-outs, the probe's give-up, the pause before the identifier) is
// measured and spent through the clock in use: the real one by default, one
// whose time a test moves itself under ScopedLinkClock.
class LinkClock {
public:
    LinkClock() = default;
    LinkClock(const LinkClock&) = delete;
    LinkClock& operator=(const LinkClock&) = delete;
    virtual ~LinkClock() = default;

    // Calendar time in whole seconds, as std::time gives it.
    virtual std::time_t seconds() = 0;
    // Lets the given time pass, keeping the window alive meanwhile.
    virtual void pause(std::chrono::milliseconds length) = 0;
    // How long a wait for input may last before the seconds clock is read
    // again: at most 'longest', and ending just after the clock next ticks.
    virtual std::chrono::milliseconds inputWait(std::chrono::milliseconds longest) = 0;
    // A monotonic reading for measuring short spans (a reply's time); its zero
    // means nothing.
    virtual std::chrono::microseconds steadyTime() = 0;
};

template <>
LinkClock& Seam<LinkClock>::real();

// The clock in use.
inline LinkClock& linkClock()
{
    return Seam<LinkClock>::get();
}

// Puts another clock in use for its own lifetime.
using ScopedLinkClock = Seam<LinkClock>::Scoped;
