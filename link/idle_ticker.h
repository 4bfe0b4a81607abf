#pragma once

#include "common/frontend.h"

#include <chrono>

// Gives the front end its frontend::whileWaiting() call during a wait, at most
// once per interval, so that a loop calling tick() on every pass neither starves
// the window nor drowns it in calls.
class IdleTicker {
public:
    static constexpr std::chrono::milliseconds interval{25};

    void tick()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - last < interval)
            return;
        last = now;
        frontend::whileWaiting();
    }

private:
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
};
