// The handshake against an instrument that answers late or never. Slow by
// design (the give-up alone takes five to six seconds), so it runs as its own
// executable beside the others.

#include "common/frontend.h"
#include "common/general_exception.h"
#include "link/bootloader_entry.h"
#include "tests/link/bootloader_test_channel.h"
#include "tests/link/idle_recorder.h"
#include "tests/support/recording_frontend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<int> positions(const RecordingFrontend& screen)
{
    std::vector<int> shown;
    for (const auto& event : screen.events)
        if (event.kind == RecordingFrontend::Event::Position)
            shown.push_back(event.value);
    return shown;
}

// An instrument that answers 'A', 0x00 or nothing, but never 'B'.
TEST(EnterBootloaderTiming, NoBGivesUpBetweenFiveAndSixSecondsAndClosesTheChannel)
{
    RecordingFrontend screen;
    IdleRecorder idle;
    BootloaderChannel channel;
    channel.probeAnswer = [](int probe) { return probe % 3 == 0 ? 'A' : probe % 3 == 1 ? 0x00 : -1; };

    const Clock::time_point start = Clock::now();
    std::string message;
    try {
        enterBootloader(&channel);
    } catch (const ReplyException& error) {
        message = error.message();
    }
    const double took = std::chrono::duration<double>(Clock::now() - start).count();

    EXPECT_EQ(message, "VELTOR не відповідає!\nСпробуйте повторити процедуру\nпрограмування ще раз!");
    EXPECT_GE(took, 4.95);
    EXPECT_LE(took, 6.3);
    ASSERT_FALSE(channel.trace.empty());
    EXPECT_EQ(channel.trace.back(), "close");
    EXPECT_TRUE(channel.closed);
    EXPECT_EQ(std::count(channel.trace.begin(), channel.trace.end(), "w53"), 0) << "asked for the identifier";

    // The bar counts the whole seconds up to five on a scale of five, then drops to 0.
    const std::vector<int> shown = positions(screen);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.back(), 0);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end() - 1));
    EXPECT_EQ(screen.highestPosition, 5);
    EXPECT_EQ(screen.currentMaximum, 5);

    EXPECT_LE(idle.longestGap(start, Clock::now()), 100ms) << "the probe loop left the window without idle calls";
}

TEST(EnterBootloaderTiming, InstrumentSwitchedOnLateIsCaughtAndTheBarEndsAtZero)
{
    RecordingFrontend screen;
    BootloaderChannel channel;
    const std::time_t start = std::time(nullptr);
    channel.probeAnswer = [start](int) { return std::time(nullptr) - start >= 2 ? 'B' : -1; };

    EXPECT_EQ(enterBootloader(&channel), "AVRBOOT");

    const std::vector<int> shown = positions(screen);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.back(), 0);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end() - 1));
    EXPECT_NE(std::find(shown.begin(), shown.end(), 1), shown.end());
    EXPECT_LE(screen.highestPosition, 2);
    EXPECT_FALSE(channel.closed);
}

} // namespace
