#include "sim/instrument.h"
#include "tests/sim/pty_host.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

constexpr double byteTime = 11.0 / 115200.0;
constexpr double pageWrite = 0.0045;

std::vector<std::uint8_t> blockWrite(std::size_t count)
{
    std::vector<std::uint8_t> frame = bytesOf({'B', int(count >> 8), int(count & 0xFF), 'F'});
    frame.resize(4 + count, 0x5A);
    return frame;
}

TEST(InstrumentTiming, CountersTellTrafficAndTheLeastWireTime)
{
    sim::Instrument instrument({});
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    instrument.resetCounters();

    ASSERT_EQ(host.exchange(bytesOf({'A', 0, 0}), 1), crReply);
    ASSERT_EQ(host.exchange(blockWrite(256), 1), crReply);
    ASSERT_EQ(host.exchange({'s'}, 3).size(), 3u);

    const sim::Counters counters = instrument.counters();
    EXPECT_EQ(counters.bytesFromHost, 3u + 260u + 1u);
    EXPECT_EQ(counters.bytesToHost, 1u + 1u + 3u);
    EXPECT_EQ(counters.commands, 3u);
    EXPECT_EQ(counters.pagesWritten, 1u);
    EXPECT_EQ(counters.roundTrips, 3u);
    // Nothing overlaps in a strict request and reply exchange.
    EXPECT_NEAR(counters.leastWireSeconds, (264 + 5) * byteTime + pageWrite, 1e-9);

    ASSERT_EQ(host.exchange({'e'}, 1), crReply);
    EXPECT_GT(instrument.counters().leastWireSeconds, 480 * pageWrite) << "chip erase takes every page's erase time";
}

TEST(InstrumentTiming, PacedExchangeLastsAtLeastItsWireTime)
{
    sim::Config config;
    config.pacing = true;
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    instrument.resetCounters();

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(host.exchange(bytesOf({'A', 0, 0}), 1), crReply);
    ASSERT_EQ(host.exchange(blockWrite(256), 1), crReply);
    ASSERT_EQ(host.exchange(bytesOf({'A', 0, 0}), 1), crReply);
    ASSERT_EQ(host.exchange(bytesOf({'g', 1, 0, 'F'}), 256, 3000).size(), 256u);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double wire = (3 + 1 + 260 + 1 + 3 + 1 + 4 + 256) * byteTime + pageWrite;
    const sim::Counters counters = instrument.counters();
    EXPECT_NEAR(counters.leastWireSeconds, wire, 1e-9);
    EXPECT_GE(elapsed, wire);
}

TEST(InstrumentTiming, PacingHoldsBackEveryReplyByte)
{
    sim::Config config;
    config.pacing = true;
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());

    // One command byte, then 7 reply bytes that may not arrive faster than the line carries them.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(host.exchange({'S'}, 7).size(), 7u);
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 8 * byteTime);
}

} // namespace
