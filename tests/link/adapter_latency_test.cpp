// The serial driver's low-latency request at open and close, what sysfs tells
// of an adapter's driver, and the round-trip meter.

#include "ports/adapter_info.h"
#include "link/round_trip_meter.h"
#include "ports/serial_driver.h"
#include "link/serial_port.h"
#include "tests/link/pseudo_terminal.h"
#include "tests/support/manual_clock.h"
#include "tests/support/port_mapping.h"
#include "tests/support/scripted_channel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

namespace {

using State = LowLatencyOutcome::State;

// Driver flags that record what the port asks of them.
class RecordingFlags final : public SerialDriverFlags {
public:
    std::error_code readLowLatency(int, bool& on) override
    {
        calls.push_back("read");
        on = flag;
        return readError;
    }
    std::error_code writeLowLatency(int, bool on) override
    {
        calls.push_back(on ? "set" : "clear");
        if (!writeError && !ignoresWrite)
            flag = on;
        return writeError;
    }

    bool flag = false;
    bool ignoresWrite = false;
    std::error_code readError;
    std::error_code writeError;
    std::vector<std::string> calls;
};

struct LowLatencyCase {
    const char* name;
    void (*prepare)(RecordingFlags&);
    State state;
    std::vector<std::string> calls; // through open and close
    bool flagAfterClose;
};

class LowLatencyAtOpen : public ::testing::TestWithParam<LowLatencyCase> {};

TEST_P(LowLatencyAtOpen, IsAskedForAndPutBackOnlyWhereTheToolSetIt)
{
    const LowLatencyCase& c = GetParam();
    PseudoTerminal pty;
    ScopedPortMapping mapping(4, pty.slavePath());
    RecordingFlags flags;
    c.prepare(flags);
    ScopedSerialDriverFlags scope(flags);

    SerialPort port(4, 1);
    port.openPort();
    EXPECT_EQ(port.lowLatency().state, c.state);
    // A refusal leaves a working port.
    port.writeByte('x');
    port.purgeTransmit();
    port.closePort();

    EXPECT_EQ(flags.calls, c.calls);
    EXPECT_EQ(flags.flag, c.flagAfterClose);
}

INSTANTIATE_TEST_SUITE_P(
    Driver, LowLatencyAtOpen,
    ::testing::Values(
        LowLatencyCase{"Grants", [](RecordingFlags&) {}, State::Granted, {"read", "set", "read", "clear"}, false},
        LowLatencyCase{"AlreadySet", [](RecordingFlags& f) { f.flag = true; }, State::AlreadyOn, {"read"}, true},
        LowLatencyCase{"CannotTell",
                       [](RecordingFlags& f) { f.readError = std::make_error_code(std::errc::not_a_stream); },
                       State::Refused, {"read"}, false},
        LowLatencyCase{"RefusesTheChange",
                       [](RecordingFlags& f) { f.writeError = std::make_error_code(std::errc::permission_denied); },
                       State::Refused, {"read", "set"}, false},
        LowLatencyCase{"TakesTheCallButNotTheFlag", [](RecordingFlags& f) { f.ignoresWrite = true; },
                       State::Refused, {"read", "set", "read"}, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(LowLatencyAtOpen, APseudoTerminalRefusesTheRealRequestAndThePortStillWorks)
{
    PseudoTerminal pty;
    ScopedPortMapping mapping(4, pty.slavePath());
    SerialPort port(4, 1);
    port.openPort();
    EXPECT_EQ(port.lowLatency().state, State::Refused);
    EXPECT_TRUE(port.lowLatency().reason);
    port.writeByte('x');
    port.closePort();
}

// A fake sysfs: the tty class with its driver links, and the usb-serial devices.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "veltor-sysfs-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    void addTty(const std::string& name, const std::string& driver, const char* latencyTimer = nullptr,
                const std::string& bus = "usb-serial")
    {
        const std::filesystem::path device = root / "class" / name / "device";
        std::filesystem::create_directories(device);
        std::filesystem::create_symlink("../../../../bus/" + bus + "/drivers/" + driver, device / "driver");
        std::filesystem::create_symlink("../../../../bus/" + bus, device / "subsystem");
        if (latencyTimer) {
            std::filesystem::create_directories(root / "usb-serial" / name);
            std::ofstream(root / "usb-serial" / name / "latency_timer") << latencyTimer;
        }
    }

    std::optional<AdapterDriver> lookUp(const std::string& device)
    {
        return adapterDriverIn(device, root / "class", root / "usb-serial");
    }

    std::filesystem::path root;
};

TEST_F(FakeSysfs, TellsTheDriverAndTheFtdiLatencyTimer)
{
    addTty("ttyUSB0", "ftdi_sio", "16\n");
    addTty("ttyUSB1", "ch341");
    addTty("ttyUSB2", "ftdi_sio", "fast\n");
    addTty("ttyACM0", "cdc_acm", nullptr, "usb");
    addTty("ttyS0", "port", nullptr, "serial-base");
    struct Case {
        const char* device;
        std::optional<std::string> shown;
    };
    for (const Case& c : std::vector<Case>{
             {"/dev/ttyUSB0", "драйвер ftdi_sio, таймер затримки 16 мс"},
             {"/dev/ttyUSB1", "драйвер ch341"},
             {"/dev/ttyUSB2", "драйвер ftdi_sio"},
             {"/dev/ttyACM0", "драйвер cdc_acm"},
             {"/dev/ttyS0", "вбудований послідовний порт комп'ютера"},
             {"/dev/ttyUSB7", std::nullopt},
             {"", std::nullopt},
         }) {
        const std::optional<AdapterDriver> found = lookUp(c.device);
        EXPECT_EQ(found.has_value(), c.shown.has_value()) << c.device;
        if (found && c.shown) {
            EXPECT_EQ(adapterDriverText(*found), *c.shown) << c.device;
        }
    }
}

TEST_F(FakeSysfs, AStableLinkLeadsToItsDevicesDriver)
{
    addTty("ttyUSB0", "pl2303");
    std::ofstream(root / "ttyUSB0") << "";
    std::filesystem::create_symlink(root / "ttyUSB0", root / "usb-Prolific-port0");
    const std::optional<AdapterDriver> found = lookUp((root / "usb-Prolific-port0").string());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->driver, "pl2303");
}

// Replies delayed by the given milliseconds each, timed on a clock that moves
// only when told.
class DelayingChannel final : public ScriptedChannel {
public:
    DelayingChannel(ManualClock& linkClock, std::vector<int> delays) : clock(linkClock), replyDelays(std::move(delays)) {}
    void purgeTransmit() override { replyDue = true; }
    std::uint8_t readByte() override
    {
        if (replyDue && next < replyDelays.size())
            clock.advance(std::chrono::milliseconds(replyDelays[next++]));
        replyDue = false;
        return 0x0D;
    }

private:
    bool replyDue = false;
    ManualClock& clock;
    std::vector<int> replyDelays;
    std::size_t next = 0;
};

TEST(RoundTripMeter, TakesTheShortestOfTheFirstRoundTripsAndLeavesTheProbeOut)
{
    struct Case {
        std::vector<int> delays;
        int expectedMs;
        bool held;
    };
    for (const Case& c : std::vector<Case>{{{16, 15, 16}, 15, true},
                                           {{1, 0, 1}, 0, false},
                                           {{2, 40, 30}, 2, false},
                                           {{9, 10}, 9, true},
                                           {{20, 20, 7, 2, 2, 2, 2, 2, 2, 2}, 7, false}}) {
        ManualClock clock;
        DelayingChannel channel(clock, c.delays);
        RoundTripMeter meter(channel, 3);
        meter.writeByte(']');
        meter.purgeTransmit();
        clock.advance(std::chrono::milliseconds(500));
        meter.pollByte(clock.seconds());
        for (std::size_t i = 0; i < c.delays.size(); ++i) {
            meter.writeByte('V');
            meter.purgeTransmit();
            meter.readByte();
            meter.readByte(); // the rest of a reply is not a round trip of its own
        }
        const std::optional<ReplyTime> time = meter.replyTime();
        ASSERT_TRUE(time);
        EXPECT_EQ(time->measured, std::chrono::milliseconds(c.expectedMs));
        EXPECT_EQ(time->roundTrips, std::min<std::size_t>(c.delays.size(), 3));
        EXPECT_EQ(repliesHeldBack(*time), c.held);
    }
}

} // namespace
