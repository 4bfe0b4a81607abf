// The waits of a serial port on the seconds clock. Slow by design (about six
// seconds), so it runs as its own executable beside the others.

#include "common/frontend.h"
#include "common/general_exception.h"
#include "link/output_queue.h"
#include "link/serial_port.h"
#include "tests/link/idle_recorder.h"
#include "tests/link/pseudo_terminal.h"
#include "tests/support/port_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <system_error>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(SerialPortTiming, SilentLineTimesOutBetweenFourAndFiveSeconds)
{
    PseudoTerminal pty;
    ScopedPortMapping mapping(2, pty.slavePath());
    IdleRecorder idle;
    SerialPort serial(2, 5);
    serial.openPort();

    const Clock::time_point start = Clock::now();
    std::string message;
    try {
        serial.readByte();
    } catch (const TimeoutException& error) {
        message = error.message();
    }
    const Clock::time_point end = Clock::now();

    EXPECT_EQ(message, "Таймаут протягом операції читання з COM порту!");
    const double waited = std::chrono::duration<double>(end - start).count();
    EXPECT_GE(waited, 3.95);
    EXPECT_LE(waited, 5.2);
    EXPECT_LE(idle.longestGap(start, end), IdleRecorder::longestGapAllowed) << "the window was left without idle calls";
}

TEST(SerialPortTiming, PollByteGivesUpOnceTheClockIsASecondPastTheReference)
{
    PseudoTerminal pty;
    ScopedPortMapping mapping(2, pty.slavePath());
    SerialPort serial(2, 5);
    serial.openPort();

    const Clock::time_point start = Clock::now();
    const std::time_t reference = std::time(nullptr);
    EXPECT_EQ(serial.pollByte(reference), 0);
    EXPECT_LE(secondsSince(start), 1.2);
    EXPECT_GE(std::time(nullptr) - reference, 1);
}

// A driver that still holds output and never lets it go.
struct HeldOutput final : OutputQueue {
    std::error_code queued(int, int& bytes) override
    {
        ++looks;
        bytes = 1;
        return {};
    }
    void discard(int) override { discarded = true; }
    int looks = 0;
    bool discarded = false;
    ScopedOutputQueue scope{*this};
};

// A line that stops taking output: here a pseudo-terminal whose other side
// reads nothing, so that its buffer fills, as a line held by flow control or a
// stalled adapter does. Each write gives up within the port's time-out with
// its own write failure, keeping the window alive meanwhile, and the port can
// still be closed without waiting for the stuck bytes a second time: they
// are dropped.
TEST(SerialPortTiming, AWriteThatCannotGoOutFailsWithinThePortsTimeOut)
{
    const struct {
        const char* operation;
        void (*write)(SerialPort&);
        const char* message;
    } cases[] = {
        {"writeBlock",
         [](SerialPort& serial) {
             static const std::vector<std::uint8_t> block(256 * 1024, 0x55);
             serial.writeBlock(block.data(), static_cast<std::int32_t>(block.size()));
         },
         "Помилка запису послідовності байт в COM порт!"},
        {"writeByte",
         [](SerialPort& serial) {
             for (int i = 0; i < 256 * 1024; ++i)
                 serial.writeByte(i);
         },
         "Помилка запису байту в COM порт!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        PseudoTerminal pty;
        ScopedPortMapping mapping(2, pty.slavePath());
        IdleRecorder idle;
        SerialPort serial(2, 1);
        serial.openPort();
        const Clock::time_point start = Clock::now();
        std::string message;
        std::error_code cause;
        try {
            c.write(serial);
        } catch (const PortException& error) {
            message = error.message();
            cause = error.cause();
        }
        const Clock::time_point end = Clock::now();
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(cause, std::error_code(ETIMEDOUT, std::generic_category()));
        EXPECT_LE(secondsSince(start), 2.5);
        // While the line stands still; filling it byte by byte beforehand is the test's own doing.
        EXPECT_LE(idle.longestGap(end - 800ms, end), 100ms) << "the window was left without idle calls";
        HeldOutput driver;
        serial.closePort();
        EXPECT_EQ(driver.looks, 1) << "the close waited for the stuck bytes";
        EXPECT_TRUE(driver.discarded);
    }
}

} // namespace
