#pragma once

#include "common/frontend.h"
#include "link/link_clock.h"

#include <chrono>

// Gives the front end its idle call while the link waits or streams, at most
// once per interval of the link clock over all waits of the process, so that
// loops calling tick() on every pass neither starve the window nor drown it.
// While a frame is going out (a Sending lives) the call is
// frontend::whileSending(), which cannot end the run halfway through the
// frame; otherwise whileWaiting().
class IdleTicker {
public:
    static constexpr std::chrono::milliseconds interval{25};

    static void tick()
    {
        const std::chrono::microseconds now = linkClock().steadyTime();
        // A clock put in use since reads from another origin: it counts as due.
        if (now >= last && now - last < interval)
            return;
        last = now;
        if (framesGoingOut > 0)
            frontend::whileSending();
        else
            frontend::whileWaiting();
    }

    // Held by every write and transmit purge of the port: those are the parts
    // of a frame, and only a read (which comes after the whole frame), a
    // pause or the close's wait for the line lies between frames.
    class Sending {
    public:
        Sending() { ++framesGoingOut; }
        ~Sending() { --framesGoingOut; }
        Sending(const Sending&) = delete;
        Sending& operator=(const Sending&) = delete;
    };

private:
    static inline std::chrono::microseconds last{};
    static inline int framesGoingOut = 0;
};
