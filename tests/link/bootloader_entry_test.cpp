#include "common/frontend.h"
#include "common/general_exception.h"
#include "link/bootloader_entry.h"
#include "tests/link/bootloader_test_channel.h"
#include "tests/link/idle_recorder.h"
#include "tests/support/recording_frontend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string nullChannel = "Комунікаційний канал управляється NULL вказівником!";
const std::string readTimedOut = "Таймаут протягом операції читання з COM порту!";

TEST(EnterBootloader, FirstProbeAnsweredGivesTheIdentifierAfterTheSettlingPause)
{
    RecordingFrontend screen;
    IdleRecorder idle;
    BootloaderChannel channel;
    channel.probeAnswer = [](int) { return 'B'; };

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(enterBootloader(&channel), "AVRBOOT");
    const Clock::time_point end = Clock::now();
    const auto took = end - start;

    std::vector<std::string> expected = probePair();
    expected += identification();
    EXPECT_TRUE(tracesEqual(expected, channel.trace));
    EXPECT_GE(took, 490ms);
    EXPECT_LT(took, 1500ms);
    EXPECT_EQ(screen.currentMaximum, 5);
    EXPECT_EQ(screen.currentPosition, 0);
    EXPECT_FALSE(channel.closed);
    EXPECT_LE(idle.longestGap(start, end), IdleRecorder::longestGapAllowed) << "the pause left the window without idle calls";
}

TEST(EnterBootloader, AnswersQueuedBehindTheFirstBAreThrownAwayBeforeTheIdentifier)
{
    ManualClock clock;
    RecordingFrontend screen;
    BootloaderChannel channel;
    channel.reply({'B', 'B', 'B', 'B', 'B', 'B'});

    EXPECT_EQ(enterBootloader(&channel), "AVRBOOT");
    std::vector<std::string> expected = probePair();
    expected += identification();
    EXPECT_TRUE(tracesEqual(expected, channel.trace));
    EXPECT_EQ(clock.pauses, std::vector<std::chrono::milliseconds>{500ms});
}

TEST(EnterBootloader, OneByteIsTakenPerProbeSoABehindOtherBytesComesLater)
{
    ManualClock clock;
    RecordingFrontend screen;
    BootloaderChannel channel;
    channel.reply({'A', 0x00, 'X', 'B'});

    EXPECT_EQ(enterBootloader(&channel), "AVRBOOT");
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i)
        expected += probePair();
    expected += identification();
    EXPECT_TRUE(tracesEqual(expected, channel.trace));
    EXPECT_EQ(screen.currentPosition, 0);
}

TEST(EnterBootloader, ForeignIdentifierIsReturnedAsReceived)
{
    ManualClock clock;
    RecordingFrontend screen;
    BootloaderChannel channel;
    channel.probeAnswer = [](int) { return 'B'; };
    channel.identifier = std::string("AV\0\xFFOOT", 7);

    const std::string identifier = enterBootloader(&channel);
    ASSERT_EQ(identifier.size(), 7u);
    EXPECT_EQ(identifier, channel.identifier);
    EXPECT_EQ(static_cast<std::uint8_t>(identifier[3]), 0xFF);
}

TEST(EnterBootloader, MissingIdentifierByteRaisesTheReadTimeoutAndLeavesTheChannelOpen)
{
    ManualClock clock;
    RecordingFrontend screen;
    BootloaderChannel channel;
    channel.probeAnswer = [](int) { return 'B'; };
    channel.identifier = "AVRBO";

    try {
        enterBootloader(&channel);
        FAIL() << "no time-out";
    } catch (const TimeoutException& error) {
        EXPECT_EQ(error.message(), readTimedOut);
    }
    EXPECT_FALSE(channel.closed);
    EXPECT_EQ(std::count(channel.trace.begin(), channel.trace.end(), "r"), 6);
}

std::vector<int> positions(const RecordingFrontend& screen)
{
    std::vector<int> shown;
    for (const auto& event : screen.events)
        if (event.kind == RecordingFrontend::Event::Position)
            shown.push_back(event.value);
    return shown;
}

// An instrument that answers 'A', 0x00 or nothing, but never 'B', wherever in
// a second of the clock the attempt starts.
TEST(EnterBootloader, NoBGivesUpBetweenFiveAndSixSecondsClosingTheChannel)
{
    for (const auto intoSecond : {0ms, 1ms, 500ms, 999ms}) {
        SCOPED_TRACE(intoSecond.count());
        ManualClock clock(intoSecond);
        RecordingFrontend screen;
        BootloaderChannel channel;
        channel.clock = &clock;
        channel.probeAnswer = [](int probe) { return probe % 3 == 0 ? 'A' : probe % 3 == 1 ? 0x00 : -1; };

        std::string message;
        try {
            enterBootloader(&channel);
        } catch (const ReplyException& error) {
            message = error.message();
        }

        EXPECT_EQ(message, "VELTOR не відповідає!\nСпробуйте повторити процедуру\nпрограмування ще раз!");
        EXPECT_GT(clock.elapsed(), 5s);
        EXPECT_LE(clock.elapsed(), 6s);
        ASSERT_FALSE(channel.trace.empty());
        EXPECT_EQ(channel.trace.back(), "close");
        EXPECT_EQ(std::count(channel.trace.begin(), channel.trace.end(), "w53"), 0) << "asked for the identifier";
        // The bar counts the whole seconds up to five on a scale of five, then drops to 0.
        const std::vector<int> shown = positions(screen);
        ASSERT_GE(shown.size(), 2u);
        EXPECT_EQ(shown.back(), 0);
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end() - 1));
        EXPECT_EQ(screen.highestPosition, 5);
        EXPECT_EQ(screen.currentMaximum, 5);
    }
}

TEST(EnterBootloader, InstrumentSwitchedOnLateIsCaughtAndTheBarEndsAtZero)
{
    ManualClock clock;
    RecordingFrontend screen;
    BootloaderChannel channel;
    channel.clock = &clock;
    channel.probeAnswer = [&clock](int) { return clock.elapsed() >= 2s ? 'B' : -1; };

    EXPECT_EQ(enterBootloader(&channel), "AVRBOOT");

    const std::vector<int> shown = positions(screen);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.back(), 0);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end() - 1));
    EXPECT_NE(std::find(shown.begin(), shown.end(), 1), shown.end());
    EXPECT_EQ(screen.highestPosition, 2);
    EXPECT_FALSE(channel.closed);
}

TEST(BootloaderQueries, NullChannelIsRefusedBeforeAnythingElse)
{
    RecordingFrontend screen;
    for (auto operation : {+[] { enterBootloader(nullptr); }, +[] { querySoftwareVersion(nullptr); },
                           +[] { queryFirmwareVersion(nullptr); }}) {
        try {
            operation();
            ADD_FAILURE() << "accepted a null channel";
        } catch (const GeneralException& error) {
            EXPECT_EQ(error.message(), nullChannel);
        }
    }
    EXPECT_TRUE(screen.events.empty());
}

TEST(BootloaderQueries, VersionCommandsSendTheirLetterAndReadMajorThenMinor)
{
    BootloaderChannel channel;
    channel.reply({2, 10, 3, 58});

    EXPECT_EQ(querySoftwareVersion(&channel), 210);
    EXPECT_EQ(queryFirmwareVersion(&channel), 358);

    std::vector<std::string> expected = frame({'V'}, 2);
    expected += frame({'v'}, 2);
    EXPECT_TRUE(tracesEqual(expected, channel.trace));
}

TEST(BootloaderQueries, MissingVersionByteRaisesTheReadTimeout)
{
    BootloaderChannel channel;
    channel.reply({3});
    try {
        queryFirmwareVersion(&channel);
        FAIL() << "no time-out";
    } catch (const TimeoutException& error) {
        EXPECT_EQ(error.message(), readTimedOut);
    }
}

struct VersionCase {
    std::uint8_t major;
    std::uint8_t minor;
    std::int32_t number;
};

class VersionNumber : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionNumber, MinorIsNormalisedToHundredths)
{
    EXPECT_EQ(versionNumber(GetParam().major, GetParam().minor), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Bytes, VersionNumber,
                         ::testing::Values(VersionCase{2, 10, 210}, VersionCase{3, 58, 358}, VersionCase{3, 5, 350},
                                           VersionCase{3, 0, 300}, VersionCase{3, 158, 358}, VersionCase{3, 100, 400},
                                           VersionCase{3, 101, 301}, VersionCase{2, 9, 290},
                                           VersionCase{255, 255, 25555}, VersionCase{0, 200, 0}));

} // namespace
