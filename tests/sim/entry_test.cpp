#include "sim/instrument.h"
#include "tests/sim/pty_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(InstrumentEntry, CaughtBootloaderAnswersQueriesAsTheChipReportsThem)
{
    sim::Instrument instrument({});
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    EXPECT_TRUE(instrument.inBootloader());

    struct Case {
        std::vector<std::uint8_t> sent;
        std::vector<std::uint8_t> reply;
    };
    const std::vector<Case> cases = {
        {{'S'}, {'A', 'V', 'R', 'B', 'O', 'O', 'T'}},
        {{'V'}, {2, 10}},
        {{'v'}, {3, 57}},
        {{'s'}, {0x02, 0x97, 0x1E}},
        {{'b'}, {'Y', 0x01, 0x00}},
        {{'a'}, {'Y'}},
        {{'r'}, {0xFF}},
        {{'N'}, {0x99}},
        {{'F'}, {0xE4}},
        {{'Q'}, {0xFF}},
        {{'p'}, {'S'}},
        {{'P'}, {13}},
        {{'L'}, {13}},
        {{'T', 0x44}, {13}},
        {{'x', 0}, {13}},
        {{'z'}, {'?'}},
        {{']', '['}, {'B'}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(host.exchange(c.sent, c.reply.size()), c.reply) << "command " << char(c.sent[0]);
    }
    EXPECT_TRUE(host.receive(1, 100).empty()) << "no reply is longer than it should be";
}

TEST(InstrumentEntry, BytesBeforeTheProbeAreIgnored)
{
    sim::Instrument instrument({});
    PtyHost host(instrument.devicePath());
    std::this_thread::sleep_for(milliseconds(20));
    EXPECT_TRUE(host.exchange({'S', 'V', 'e', '['}, 1, 150).empty());
    EXPECT_FALSE(instrument.inBootloader());
    EXPECT_TRUE(host.catchBootloader());
}

TEST(InstrumentEntry, SwitchedOnOnlyAfterItsPowerOnDelay)
{
    const auto start = Clock::now();
    sim::Config config;
    config.powerOnDelayMs = 300;
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader(3000));
    EXPECT_GE(Clock::now() - start, milliseconds(300));
}

TEST(InstrumentEntry, SwitchedOnAfterTheFirstProbeWhenSoConfigured)
{
    sim::Config config;
    config.powerOnDelayMs = 0;
    config.powerOnAfterProbeMs = 200;
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    std::this_thread::sleep_for(milliseconds(300));   // no probe yet: still off
    const auto firstProbe = Clock::now();
    ASSERT_TRUE(host.catchBootloader(3000));
    EXPECT_GE(Clock::now() - firstProbe, milliseconds(200));
}

TEST(InstrumentEntry, WithoutProbeInTheWindowTheApplicationRunsUntilPowerCycle)
{
    sim::Config config;
    config.bootWindowMs = 100;
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    std::this_thread::sleep_for(milliseconds(250));
    EXPECT_FALSE(host.catchBootloader(300));

    instrument.powerCycle();
    EXPECT_TRUE(host.catchBootloader());
    std::this_thread::sleep_for(milliseconds(150));   // the caught bootloader outlives its window
    EXPECT_EQ(host.exchange({'a'}, 1), std::vector<std::uint8_t>{'Y'});
}

TEST(InstrumentEntry, LeaveCommandStartsTheApplication)
{
    sim::Instrument instrument({});
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    EXPECT_EQ(host.exchange({'E'}, 1), crReply);
    EXPECT_FALSE(instrument.inBootloader());
    EXPECT_TRUE(host.exchange({'S'}, 1, 100).empty());
    EXPECT_FALSE(host.catchBootloader(200));
}

TEST(InstrumentEntry, StateAndLineSettingsSurviveHostReopeningExclusively)
{
    sim::Instrument instrument({});
    {
        PtyHost host(instrument.devicePath());
        ASSERT_EQ(ioctl(host.descriptor(), TIOCEXCL), 0);
        ASSERT_EQ(flock(host.descriptor(), LOCK_EX | LOCK_NB), 0);
        ASSERT_TRUE(host.catchBootloader());
        EXPECT_EQ(host.exchange({'A', 0x00, 0x10}, 1), crReply);
        ioctl(host.descriptor(), TIOCNXCL);
    }
    const int fd = open(instrument.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the simulator must not hold the lock";
    termios settings{};
    tcgetattr(fd, &settings);
    EXPECT_TRUE(settings.c_cflag & CSTOPB);
    EXPECT_FALSE(settings.c_lflag & ECHO);
    close(fd);

    PtyHost again(instrument.devicePath());
    EXPECT_TRUE(instrument.inBootloader());
    EXPECT_EQ(again.exchange({'S'}, 7), (std::vector<std::uint8_t>{'A', 'V', 'R', 'B', 'O', 'O', 'T'}));
}

TEST(InstrumentEntry, ExclusiveUseLeftBehindIsCleared)
{
    sim::Instrument instrument({});
    {
        PtyHost host(instrument.devicePath());
        ASSERT_EQ(flock(host.descriptor(), LOCK_EX | LOCK_NB), 0);
        ASSERT_EQ(ioctl(host.descriptor(), TIOCEXCL), 0);
    }   // gone without clearing the flag, as a killed host does
    std::this_thread::sleep_for(milliseconds(100));
    const int fd = open(instrument.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    int exclusive = 1;
    EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    close(fd);
}

TEST(InstrumentEntry, DestroyedPromptlyWhileAHostHoldsTheLine)
{
    const auto start = Clock::now();
    auto instrument = std::make_unique<sim::Instrument>(sim::Config{});
    PtyHost host(instrument->devicePath());
    host.send({']', '[', 'S'});
    instrument.reset();
    EXPECT_LT(Clock::now() - start, milliseconds(1000));
}

} // namespace
