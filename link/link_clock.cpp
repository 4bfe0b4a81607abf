#include "link/link_clock.h"

#include "common/frontend.h"

#include <algorithm>
#include <thread>

namespace {

class RealClock final : public LinkClock {
public:
    std::time_t seconds() override { return std::time(nullptr); }

    void pause(std::chrono::milliseconds length) override
    {
        using steady = std::chrono::steady_clock;
        constexpr std::chrono::milliseconds slice{25};
        const auto end = steady::now() + length;
        for (;;) {
            const auto left = end - steady::now();
            if (left <= left.zero())
                return;
            frontend::whileWaiting();
            std::this_thread::sleep_for(std::min<steady::duration>(left, slice));
        }
    }

    std::chrono::milliseconds inputWait(std::chrono::milliseconds longest) override
    {
        using std::chrono::milliseconds;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const auto intoSecond =
            std::chrono::duration_cast<milliseconds>(now - std::chrono::duration_cast<std::chrono::seconds>(now));
        // A little past the tick, so that the clock has surely moved on when read.
        constexpr milliseconds settling{5};
        return std::min(longest, milliseconds(1000) - intoSecond + settling);
    }

    std::chrono::microseconds steadyTime() override
    {
        return std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};

} // namespace

template <>
LinkClock& Seam<LinkClock>::real()
{
    static RealClock clock;
    return clock;
}
