#include "sim/options.h"

#include <gtest/gtest.h>

namespace {

TEST(SimOptions, EveryOptionReachesTheConfiguration)
{
    const sim::Options o = sim::parseOptions({
        "--link", "com1", "--power-on-delay=150", "--power-on-after-probe", "250", "--boot-window", "-1",
        "--identifier", "XVRBOOT", "--software-version", "2.9", "--firmware-version", "3.158",
        "--signature", "0x1E,0x97,2", "--lock-bits", "0xFC", "--fuse-low", "1", "--fuse-high", "0x02",
        "--fuse-extended", "3", "--no-block-support", "--block-size", "128", "--no-auto-increment", "--pacing", "--latency-timer", "4",
        "--flash-file", "in.bin", "--dump-flash", "f.bin", "--dump-eeprom", "e.bin", "--never-answer-probe",
        "--probe-answer", "A", "--noise-before-b", "4", "--wrong-reply", "BF:3", "--drop-reply", "m:2",
        "--corrupt-read", "0x1FFFF", "--silent-after", "100", "--hang-up-after", "200"});
    const sim::Config& c = o.config;
    EXPECT_EQ(o.linkPath, "com1");
    EXPECT_EQ(c.powerOnDelayMs, 150);
    EXPECT_EQ(c.powerOnAfterProbeMs, 250);
    EXPECT_EQ(c.bootWindowMs, -1);
    EXPECT_EQ(c.identifier, "XVRBOOT");
    EXPECT_EQ(c.softwareMajor, 2);
    EXPECT_EQ(c.softwareMinor, 9);
    EXPECT_EQ(c.firmwareMajor, 3);
    EXPECT_EQ(c.firmwareMinor, 158);
    EXPECT_EQ(c.signature, (std::array<std::uint8_t, 3>{0x1E, 0x97, 0x02}));
    EXPECT_EQ(c.lockBits, 0xFC);
    EXPECT_EQ(c.fuseLow, 1);
    EXPECT_EQ(c.fuseHigh, 2);
    EXPECT_EQ(c.fuseExtended, 3);
    EXPECT_FALSE(c.blockSupport);
    EXPECT_EQ(c.blockSize, 128);
    EXPECT_FALSE(c.autoIncrement);
    EXPECT_TRUE(c.pacing);
    EXPECT_EQ(c.adapter, sim::AdapterKind::LatencyTimer);
    EXPECT_EQ(c.latencyTimerMs, 4);
    EXPECT_EQ(c.initialFlashFile, "in.bin");
    EXPECT_EQ(c.flashDumpFile, "f.bin");
    EXPECT_EQ(c.eepromDumpFile, "e.bin");
    EXPECT_TRUE(c.faults.neverAnswerProbe);
    EXPECT_EQ(c.faults.probeAnswer, 'A');
    EXPECT_EQ(c.faults.noiseBeforeB, 4);
    EXPECT_EQ(c.faults.wrongReplyCommand, "BF");
    EXPECT_EQ(c.faults.wrongReplyIndex, 3);
    EXPECT_EQ(c.faults.wrongReplyByte, '?');
    EXPECT_EQ(c.faults.dropReplyCommand, "m");
    EXPECT_EQ(c.faults.dropReplyIndex, 2);
    EXPECT_EQ(c.faults.corruptReadAddress, 0x1FFFF);
    EXPECT_EQ(c.faults.silentAfterBytes, 100);
    EXPECT_EQ(c.faults.hangUpAfterBytes, 200);
}

TEST(SimOptions, OneAdapterAtATime)
{
    EXPECT_EQ(sim::parseOptions({"--frame-adapter"}).config.adapter, sim::AdapterKind::UsbFrame);
    EXPECT_EQ(sim::parseOptions({"--latency-timer", "0"}).config.adapter, sim::AdapterKind::None);
    EXPECT_EQ(sim::parseOptions({"--latency-timer", "16", "--latency-timer", "0"}).config.adapter,
              sim::AdapterKind::None);
    EXPECT_EQ(sim::parseOptions({"--frame-adapter", "--latency-timer", "0"}).config.adapter,
              sim::AdapterKind::UsbFrame);
}

TEST(SimOptions, ProbeAndReplyBytesTakeNumbersOrCharacters)
{
    EXPECT_EQ(sim::parseOptions({"--probe-answer", "0x00"}).config.faults.probeAnswer, 0);
    EXPECT_EQ(sim::parseOptions({"--probe-answer", "0"}).config.faults.probeAnswer, 0);
    EXPECT_EQ(sim::parseOptions({"--wrong-reply", "e:1:13"}).config.faults.wrongReplyByte, 13);
    EXPECT_EQ(sim::parseOptions({"--wrong-reply", "e:1:N"}).config.faults.wrongReplyByte, 'N');
}

TEST(SimOptions, BadCommandLinesAreRefusedWithTheOptionNamed)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--no-such-thing"}, {"--link"}, {"stray"}, {"--pacing=1"}, {"--power-on-delay", "-5"},
        {"--software-version", "2"}, {"--software-version", "2.256"}, {"--signature", "1,2"},
        {"--wrong-reply", "BF"}, {"--wrong-reply", "BF:0"}, {"--drop-reply", "e:1:13"},
        {"--corrupt-read", "0x20000"}, {"--block-size", "70000"}, {"--lock-bits", "300"},
        {"--latency-timer", "-1"}, {"--frame-adapter", "--latency-timer", "16"},
    };
    for (const auto& arguments : bad) {
        try {
            sim::parseOptions(arguments);
            ADD_FAILURE() << "accepted " << arguments[0];
        } catch (const sim::OptionError& error) {
            EXPECT_NE(std::string(error.what()).find(arguments[0].substr(0, arguments[0].find('='))), std::string::npos)
                << error.what();
        }
    }
}

} // namespace
