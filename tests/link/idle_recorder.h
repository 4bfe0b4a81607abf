#pragma once

#include "common/frontend.h"

#include <algorithm>
#include <chrono>
#include <vector>

// Records when the core gave the window its idle calls, to check that no wait
// leaves it without one for long.
class IdleRecorder : public frontend::Idle {
public:
    using Clock = std::chrono::steady_clock;

    IdleRecorder() : binding(nullptr, nullptr, this) {}

    void whileWaiting() override { calls.push_back(Clock::now()); }

    // The longest stretch between 'from', the calls and 'to'.
    Clock::duration longestGap(Clock::time_point from, Clock::time_point to) const
    {
        Clock::duration longest{};
        Clock::time_point previous = from;
        for (Clock::time_point call : calls) {
            longest = std::max(longest, call - previous);
            previous = call;
        }
        return std::max(longest, to - previous);
    }

    // The link gives an idle call at least every 50 ms of waiting. The bound
    // leaves room for a busy machine's scheduling and still catches a wait that
    // forgets the window for a whole slice of seconds.
    static constexpr std::chrono::milliseconds longestGapAllowed{250};

    std::vector<Clock::time_point> calls;

private:
    frontend::Binding binding;
};
