#include "sim/instrument.h"
#include "tests/sim/pty_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;

std::vector<std::uint8_t> smallBlock()
{
    return bytesOf({'B', 0, 2, 'F', 0x12, 0x34});
}

sim::Config withFaults(const sim::Faults& faults)
{
    sim::Config config;
    config.faults = faults;
    return config;
}

TEST(InstrumentFaults, ProbeAnswerFaults)
{
    sim::Faults never;
    never.neverAnswerProbe = true;
    sim::Instrument silent(withFaults(never));
    PtyHost silentHost(silent.devicePath());
    EXPECT_FALSE(silentHost.catchBootloader(300));
    EXPECT_FALSE(silent.inBootloader());

    for (int answer : {int{'A'}, 0x00}) {
        sim::Faults wrong;
        wrong.probeAnswer = answer;
        sim::Instrument instrument(withFaults(wrong));
        PtyHost host(instrument.devicePath());
        std::vector<std::uint8_t> got;
        for (int i = 0; i < 100 && got.empty(); ++i)
            got = host.exchange({']', '['}, 1, 10);
        EXPECT_EQ(got, std::vector<std::uint8_t>{static_cast<std::uint8_t>(answer)});
    }
}

TEST(InstrumentFaults, NoiseBytesPrecedeTheFirstProbeAnswer)
{
    sim::Faults faults;
    faults.noiseBeforeB = 5;
    sim::Instrument instrument(withFaults(faults));
    PtyHost host(instrument.devicePath());
    std::this_thread::sleep_for(milliseconds(20));
    const auto got = host.exchange({']', '['}, 6);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(std::count(got.begin(), got.end() - 1, 'B'), 0);
    EXPECT_EQ(got.back(), 'B');
    EXPECT_EQ(host.exchange({']', '['}, 2, 100), std::vector<std::uint8_t>{'B'}) << "noise only after power-on";
}

TEST(InstrumentFaults, WrongIdentifierIsSentAsConfigured)
{
    sim::Config config;
    config.identifier = "AVRB00T";
    sim::Instrument instrument(config);
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    EXPECT_EQ(host.exchange({'S'}, 8, 100), (std::vector<std::uint8_t>{'A', 'V', 'R', 'B', '0', '0', 'T'}));
}

TEST(InstrumentFaults, KthCommandOfAKindGetsAWrongReplyButIsCarriedOut)
{
    sim::Faults faults;
    faults.wrongReplyCommand = "BF";
    faults.wrongReplyIndex = 2;
    faults.wrongReplyByte = '!';
    sim::Instrument instrument(withFaults(faults));
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());

    EXPECT_EQ(host.exchange(bytesOf({'B', 0, 2, 'E', 1, 2}), 1), crReply) << "an EEPROM block is another kind";
    ASSERT_EQ(host.exchange(bytesOf({'A', 0, 0}), 1), crReply);
    EXPECT_EQ(host.exchange(smallBlock(), 1), crReply);
    EXPECT_EQ(host.exchange(smallBlock(), 1), std::vector<std::uint8_t>{'!'});
    EXPECT_EQ(host.exchange(smallBlock(), 1), crReply);
    EXPECT_EQ(instrument.flash()[2], 0x12) << "the block with the wrong reply was written";
}

TEST(InstrumentFaults, WrongReplyToADataCommandChangesItsFirstByte)
{
    sim::Faults faults;
    faults.wrongReplyCommand = "s";
    faults.wrongReplyIndex = 1;
    faults.wrongReplyByte = 0x02;   // the byte it would send anyway: it must still differ
    sim::Instrument instrument(withFaults(faults));
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    EXPECT_EQ(host.exchange({'s'}, 3), (std::vector<std::uint8_t>{0xFD, 0x97, 0x1E}));
}

TEST(InstrumentFaults, KthCommandOfAKindGetsNoReply)
{
    sim::Faults faults;
    faults.dropReplyCommand = "e";
    faults.dropReplyIndex = 1;
    sim::Instrument instrument(withFaults(faults));
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    EXPECT_TRUE(host.exchange({'e'}, 1, 200).empty());
    EXPECT_EQ(host.exchange({'e'}, 1), crReply);
}

TEST(InstrumentFaults, CorruptedReadBackLeavesFlashIntact)
{
    sim::Faults faults;
    faults.corruptReadAddress = 3;
    sim::Instrument instrument(withFaults(faults));
    PtyHost host(instrument.devicePath());
    ASSERT_TRUE(host.catchBootloader());
    ASSERT_EQ(host.exchange(bytesOf({'B', 0, 4, 'F', 1, 2, 3, 4}), 1), crReply);
    ASSERT_EQ(host.exchange(bytesOf({'A', 0, 0}), 1), crReply);
    EXPECT_EQ(host.exchange(bytesOf({'g', 0, 4, 'F'}), 4), (std::vector<std::uint8_t>{1, 2, 3, 0xFB}));
    ASSERT_EQ(host.exchange(bytesOf({'A', 0, 1}), 1), crReply);
    EXPECT_EQ(host.exchange({'R'}, 2), (std::vector<std::uint8_t>{0xFB, 3}));
    EXPECT_EQ(instrument.flash()[3], 4);
}

TEST(InstrumentFaults, GoesSilentAfterNBytes)
{
    sim::Faults faults;
    faults.silentAfterBytes = 2 + 3;   // the probe and one address command
    sim::Instrument instrument(withFaults(faults));
    PtyHost host(instrument.devicePath());
    std::this_thread::sleep_for(milliseconds(20));
    ASSERT_EQ(host.exchange({']', '['}, 1), std::vector<std::uint8_t>{'B'});
    EXPECT_EQ(host.exchange(bytesOf({'A', 0, 0}), 1), crReply);
    EXPECT_TRUE(host.exchange({'S'}, 1, 200).empty());
    EXPECT_FALSE(host.readFailed());
}

TEST(InstrumentFaults, HangsUpAfterNBytes)
{
    sim::Faults faults;
    faults.hangUpAfterBytes = 2 + 1;
    sim::Instrument instrument(withFaults(faults));
    PtyHost host(instrument.devicePath());
    std::this_thread::sleep_for(milliseconds(20));
    ASSERT_EQ(host.exchange({']', '['}, 1), std::vector<std::uint8_t>{'B'});
    host.send({'S'});
    host.receive(8, 1000);
    EXPECT_TRUE(host.readFailed());
    EXPECT_TRUE(instrument.hungUp());
}

} // namespace
