#pragma once

#include "link/link_clock.h"

#include <chrono>
#include <ctime>
#include <vector>

// A link clock whose time moves only when the link waits or pauses (or the
// test says so), so that waits of seconds run at once and always alike. It is
// in use for its own lifetime. 'intoSecond' places the start inside a second
// of the seconds clock.
class ManualClock final : public LinkClock {
public:
    using milliseconds = std::chrono::milliseconds;

    explicit ManualClock(milliseconds intoSecond = milliseconds(0))
        : start(startOfDay + intoSecond), now(start), scope(*this)
    {
    }

    std::time_t seconds() override
    {
        return static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
    }
    void pause(milliseconds length) override
    {
        pauses.push_back(length);
        advance(length);
    }
    // The wait for input passes as time, none of it real.
    milliseconds inputWait(milliseconds longest) override
    {
        advance(longest);
        return milliseconds(0);
    }

    std::chrono::microseconds steadyTime() override { return now; }

    void advance(milliseconds length) { now += length; }
    milliseconds elapsed() const { return now - start; }

    std::vector<milliseconds> pauses;

private:
    static constexpr milliseconds startOfDay{1'700'000'000'000};

    milliseconds start;
    milliseconds now;
    ScopedLinkClock scope;
};
