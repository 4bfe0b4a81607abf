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

TEST(InstrumentTiming, LatencyTimerHoldsEveryShortReply)
{
    sim::Config config;
    config.adapter = sim::AdapterKind::LatencyTimer;
    config.latencyTimerMs = 20;
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());

    // A host that answers at once meets the timer just restarted by the reply before.
    constexpr int exchanges = 10;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < exchanges; ++i)
        ASSERT_EQ(host.exchange({'a'}, 1), std::vector<std::uint8_t>{'Y'});
    EXPECT_GE(std::chrono::steady_clock::now() - start, (exchanges - 1) * std::chrono::milliseconds(20));
    ASSERT_EQ(host.exchange(bytesOf({'A', 0, 0}), 1), crReply);
    EXPECT_EQ(host.exchange(bytesOf({'g', 1, 0, 'F'}), 256).size(), 256u) << "a long reply goes in full packets";
}

TEST(InstrumentTiming, PacedLineHoldsTheHostBack)
{
    sim::Config config;
    config.pacing = true;
    config.powerOnDelayMs = 60'000;   // nobody listens: the line still carries every byte
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());

    // The host writes until the line has a driver's buffer to carry; it may
    // write again only once that has nearly left, not for every byte that does.
    constexpr std::size_t limit = 20000, driverBuffer = 4096 + 16, wakeUp = 256;
    const std::vector<std::uint8_t> burst(limit, 'x');
    std::size_t written = 0;
    const auto start = std::chrono::steady_clock::now();
    while (written < limit) {
        const ssize_t got = write(host.descriptor(), burst.data(), limit - written);
        if (got <= 0)
            break;   // held back
        written += static_cast<std::size_t>(got);
    }
    EXPECT_GE(written, driverBuffer);
    ASSERT_TRUE(instrument.waitForBytesFromHost(written, std::chrono::seconds(2)));
    pollfd room{host.descriptor(), POLLOUT, 0};
    ASSERT_EQ(poll(&room, 1, 3000), 1);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(elapsed, static_cast<double>(written - wakeUp - 16) * byteTime) << "woken before the buffer drained";
    EXPECT_EQ(instrument.counters().leastWireSeconds, 0) << "bytes to a switched-off instrument are not needed";
}

TEST(InstrumentTiming, PowerCycleStartsTheLineAfresh)
{
    sim::Config config;
    config.pacing = true;
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    ASSERT_EQ(host.exchange({'E'}, 1), crReply);
    instrument.resetCounters();

    // A burst the running application ignores: however much of it went in at once, the
    // line is then a driver's buffer behind and holds the host back; a power cycle ends that.
    const std::vector<std::uint8_t> burst(16000, 'x');
    const ssize_t written = write(host.descriptor(), burst.data(), burst.size());
    ASSERT_GT(written, 0);
    ASSERT_TRUE(instrument.waitForBytesFromHost(static_cast<std::uint64_t>(written), std::chrono::seconds(2)));
    const auto hostHasRoom = [&] {
        pollfd room{host.descriptor(), POLLOUT, 0};
        return poll(&room, 1, 0) == 1;
    };
    ASSERT_FALSE(hostHasRoom()) << "the line never held the host back";
    instrument.powerCycle();
    EXPECT_TRUE(hostHasRoom()) << "still held back by the old burst's schedule";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(host.catchBootloader());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600))
        << "still deaf with the old burst's schedule";
}

} // namespace
