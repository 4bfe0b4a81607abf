#include "sim/usb_adapter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using Clock = sim::UsbAdapter::Clock;
using std::chrono::microseconds;

constexpr auto lineByte = microseconds(95);

struct Check {
    int atMicroseconds;
    std::size_t delivered;   // bytes handed to the host by then, in all
};

struct Case {
    const char* name;
    sim::AdapterKind kind;
    int latencyMs;
    int firstArrivalMicroseconds;
    std::size_t bytes;       // arriving back to back from the line
    std::vector<Check> checks;
};

TEST(UsbAdapter, HoldsBytesAsItsKindDoes)
{
    const std::vector<Case> cases = {
        {"native port", sim::AdapterKind::None, 16, 500, 1, {{500, 1}}},
        {"short reply waits for the timer", sim::AdapterKind::LatencyTimer, 16, 500, 1,
         {{15'999, 0}, {16'000, 1}}},
        {"the timer runs on its own", sim::AdapterKind::LatencyTimer, 16, 17'000, 1, {{31'999, 0}, {32'000, 1}}},
        {"a full packet goes at once and restarts the timer", sim::AdapterKind::LatencyTimer, 16, 0, 70,
         {{61 * 95 - 1, 0}, {61 * 95, 62}, {61 * 95 + 15'999, 62}, {61 * 95 + 16'000, 70}}},
        {"next USB frame", sim::AdapterKind::UsbFrame, 16, 2'300, 3, {{2'999, 0}, {3'000, 3}}},
        {"a timer of 0 is no adapter", sim::AdapterKind::LatencyTimer, 0, 500, 1, {{500, 1}}},
    };
    for (const Case& c : cases) {
        const Clock::time_point start{};
        sim::UsbAdapter adapter(c.kind, std::chrono::milliseconds(c.latencyMs), start);
        std::vector<std::uint8_t> host;
        std::size_t arrived = 0;
        auto arrival = [&](std::size_t i) { return start + microseconds(c.firstArrivalMicroseconds) + lineByte * i; };
        for (const Check& check : c.checks) {
            const Clock::time_point now = start + microseconds(check.atMicroseconds);
            for (; arrived < c.bytes && arrival(arrived) <= now; ++arrived)
                adapter.take(static_cast<std::uint8_t>(arrived), arrival(arrived));
            adapter.deliver(now, host);
            EXPECT_EQ(host.size(), check.delivered) << c.name << " at " << check.atMicroseconds << " us";
        }
        for (std::size_t i = 0; i < host.size(); ++i)
            EXPECT_EQ(host[i], i) << c.name << ": order";
    }
}

} // namespace
