#pragma once

#include "common/frontend.h"

#include <chrono>

// Gives the front end its frontend::whileWaiting() call while the link waits
// or streams, at most once per interval over all waits of the process, so that
// loops calling tick() on every pass neither starve the window nor drown it.
class IdleTicker {
public:
    static constexpr std::chrono::milliseconds interval{25};

    static void tick()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - last < interval)
            return;
        last = now;
        frontend::whileWaiting();
    }

private:
    static inline std::chrono::steady_clock::time_point last{};
};
