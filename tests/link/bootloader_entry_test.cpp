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
    EXPECT_LE(idle.longestGap(start, end), 100ms) << "the pause left the window without idle calls";
}

TEST(EnterBootloader, AnswersQueuedBehindTheFirstBAreThrownAwayBeforeTheIdentifier)
{
    RecordingFrontend screen;
    BootloaderChannel channel;
    channel.reply({'B', 'B', 'B', 'B', 'B', 'B'});

    EXPECT_EQ(enterBootloader(&channel), "AVRBOOT");
    std::vector<std::string> expected = probePair();
    expected += identification();
    EXPECT_TRUE(tracesEqual(expected, channel.trace));
}

TEST(EnterBootloader, OneByteIsTakenPerProbeSoABehindOtherBytesComesLater)
{
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
