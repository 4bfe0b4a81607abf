// The handshake's give-up against the real seconds clock: five to six seconds
// by design, so it runs as its own executable beside the others. Everything
// else about the give-up is checked on the manual clock.

#include "common/frontend.h"
#include "common/general_exception.h"
#include "link/bootloader_entry.h"
#include "tests/link/bootloader_test_channel.h"
#include "tests/link/idle_recorder.h"
#include "tests/support/recording_frontend.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(EnterBootloaderTiming, NoBGivesUpBetweenFiveAndSixSecondsOfRealTime)
{
    RecordingFrontend screen;
    IdleRecorder idle;
    BootloaderChannel channel;

    const Clock::time_point start = Clock::now();
    EXPECT_THROW(enterBootloader(&channel), ReplyException);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();

    EXPECT_GE(took, 4.95);
    EXPECT_LE(took, 6.3);
    EXPECT_TRUE(channel.closed);
    EXPECT_LE(idle.longestGap(start, Clock::now()), IdleRecorder::longestGapAllowed)
        << "the probe loop left the window without idle calls";
}

} // namespace
