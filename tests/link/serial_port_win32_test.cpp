// The Windows serial port against drivers replayed as they behave on Windows
// (tests/support/replayed_driver.h), in simulated time: what wine never shows.

#include "common/frontend.h"
#include "common/general_exception.h"
#include "link/line_error.h"
#include "link/line_timing.h"
#include "link/serial_port.h"
#include "tests/support/replayed_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using replay::Answer;
using replay::Driver;
using replay::ReplayedDriver;
using std::chrono::microseconds;
using std::chrono::nanoseconds;

constexpr int port = 4;
constexpr std::int32_t blockLength = 256;

// 'V' is answered with two bytes, 'g' with a block, 'E' with nothing.
Answer bootloaderLike(std::uint8_t command)
{
    switch (command) {
    case 'V': return {{2, 10}};
    case 'g': return {std::vector<std::uint8_t>(blockLength, 0xA5)};
    default: return {};
    }
}

// One short reply and one block, as the protocol asks for them; the time
// from the first write to the last byte read.
microseconds exchange(ReplayedDriver& driver, SerialPort& serial)
{
    const microseconds start = driver.time();
    serial.writeByte('V');
    serial.purgeTransmit();
    EXPECT_EQ(serial.readByte(), 2);
    EXPECT_EQ(serial.readByte(), 10);
    for (const int byte : {int{'g'}, blockLength >> 8, blockLength & 0xFF, int{'F'}})
        serial.writeByte(byte);
    serial.expectStream(blockLength);
    for (int i = 0; i < blockLength; ++i)
        EXPECT_EQ(serial.readByte(), 0xA5) << "byte " << i;
    return driver.time() - start;
}

// Each driver hands the replies on as they come: the read that waits for them
// ends as soon as they are there, never on a tick of Windows' timer, so the
// 15.6 ms tick adds nothing to a round trip; every read waits a slice short
// enough for the window; each frame goes in one write, output is never
// discarded and no sleep is taken.
// (A USB adapter's block may come in a different number of reads with the
// tick, the reads that wait for it ending on other ticks.)
TEST(SerialPortOnWindows, EachDriversRepliesAreTakenAsTheyComeWhateverTheTimersTick)
{
    for (const Driver* model : replay::allDrivers) {
        const Driver& kind = *model;
        SCOPED_TRACE(kind.name);
        microseconds exact{};
        replay::Counts exactCounts;
        for (const microseconds tick : {microseconds(0), replay::windowsTick}) {
            ReplayedDriver driver(kind, tick, bootloaderLike);
            SerialPort serial(port, 5);
            serial.openPort();
            const replay::Counts opened = driver.counts;
            const microseconds took = exchange(driver, serial);
            serial.closePort();

            replay::Counts counts = driver.counts;
            counts.readFile -= opened.readFile;
            EXPECT_EQ(counts.sleep, 0);
            EXPECT_EQ(counts.writeFile, 2);
            EXPECT_EQ(driver.receivedByInstrument, (std::vector<std::uint8_t>{'V', 'g', 1, 0, 'F'}));
            if (kind.delivers == replay::Delivery::characterTimeout) {
                EXPECT_EQ(counts.readsTimedOut, 0);
            }
            EXPECT_LE(driver.longestReadWait, 25u);
            EXPECT_FALSE(driver.purgedTransmit);
            EXPECT_EQ(driver.discardedAtClose, 0);
            // Two bytes of one reply may come apart; a block comes in a few reads.
            EXPECT_LE(counts.readFile, kind.delivers == replay::Delivery::characterTimeout ? 2 + blockLength : 8);
            if (tick.count() == 0) {
                exact = took;
                exactCounts = counts;
            } else {
                EXPECT_LE(took - exact, 1ms) << "the tick delayed the replies";
            }
        }
    }
}

// The drivers as replayed: when a synchronous write of a frame returns, when
// the reply is there in full, and how many of its bytes (the tail) reach the
// driver only then. 'V' is answered with 2 bytes, 'g' with 256, a 0x55 with nothing.
TEST(SerialPortOnWindows, EachDriverTakesWritesAndHandsOnRepliesAsItsHardwareDoes)
{
    constexpr nanoseconds byte = byteOnLine;
    constexpr nanoseconds answerAfter = 50us;
    std::vector<std::uint8_t> paddedV(blockLength - 1, 0x55);
    paddedV.push_back('V');
    const struct {
        const Driver& kind;
        std::vector<std::uint8_t> frame;
        nanoseconds writeReturns;
        nanoseconds replyComplete;
        DWORD tail;
    } rows[] = {
        // The FIFO's 16 bytes are still to go; the reply waits four characters after its last byte.
        {replay::nativePort, {'V'}, 0ns, byte + answerAfter + 2 * byte + 4 * byte, 2},
        {replay::nativePort, paddedV, 240 * byte, 256 * byte + answerAfter + 2 * byte + 4 * byte, 2},
        // The write goes at the next 1 ms frame; a short reply waits for the latency timer,
        {replay::ftdiAdapter, {'V'}, 1ms, 16ms, 2},
        // a block leaves an 8-byte tail after four 62-byte packets, which waits a whole timer period.
        {replay::ftdiAdapter, {'g'}, 1ms, 1ms + answerAfter + 249 * byte + 16ms, 8},
        // At 1 ms the timer runs out before a packet fills: as with the adapters
        // whose replies come with the next 1 ms frame.
        {replay::ftdiAdapterAt1ms, {'g'}, 1ms, 26ms, 7},
        {replay::usbFrameAdapter, {'V'}, 1ms, 2ms, 2},
        {replay::cdcAdapter, {'g'}, 1ms, 26ms, 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.kind.name << ", " << row.frame.size() << "-byte frame");
        ReplayedDriver driver(row.kind, microseconds(0), bootloaderLike, 0ms);
        Win32SerialCalls& calls = driver;
        const HANDLE handle = calls.createFile("COM4");
        calls.setCommTimeouts(handle, COMMTIMEOUTS{0, 0, 100, 1, 2000});
        const microseconds start = driver.time();
        DWORD written = 0;
        calls.writeFile(handle, row.frame.data(), static_cast<DWORD>(row.frame.size()), written);
        EXPECT_EQ(driver.time() - start, std::chrono::floor<microseconds>(row.writeReturns));

        const auto complete = std::chrono::floor<microseconds>(row.replyComplete);
        const DWORD replyLength = row.frame.back() == 'V' ? 2 : blockLength;
        driver.advance(complete - 1us - (driver.time() - start));
        DWORD errors = 0;
        COMSTAT status{};
        calls.clearCommError(handle, errors, status);
        EXPECT_EQ(status.cbInQue, replyLength - row.tail);
        std::vector<std::uint8_t> reply(replyLength);
        DWORD got = 0;
        calls.readFile(handle, reply.data(), replyLength, got);
        EXPECT_EQ(got, replyLength);
        EXPECT_EQ(driver.time() - start, complete);
    }
}

// A quiet line: one read per slice of the wait, each ending on its time-out,
// and the time-out reported once the seconds clock stands N past the start,
// between N - 1 and N seconds (plus the tick that ends the last slice).
TEST(SerialPortOnWindows, ASilentLineIsWaitedForInReadsOfOneSliceEach)
{
    for (const microseconds tick : {microseconds(0), replay::windowsTick}) {
        for (const auto intoSecond : {0ms, 300ms, 990ms}) {
            SCOPED_TRACE(testing::Message() << "tick " << tick.count() << " µs, " << intoSecond.count() << " ms in");
            ReplayedDriver driver(replay::nativePort, tick, bootloaderLike, intoSecond);
            SerialPort serial(port, 2);
            serial.openPort();
            const microseconds start = driver.time();
            EXPECT_THROW(serial.readByte(), TimeoutException);
            const microseconds waited = driver.time() - start;
            EXPECT_GE(waited, 1s);
            EXPECT_LE(waited, 2s + 5ms + tick);
            EXPECT_LE(driver.counts.readFile, 2000 / 10);
            EXPECT_EQ(driver.counts.sleep, 0);
        }
    }
}

// A line error seen by ClearCommError ends the read with the read failure and
// names its cause; while the instrument is being switched on the probe takes
// it for no answer and goes on.
TEST(SerialPortOnWindows, AFramingErrorFailsTheReadWithItsCause)
{
    ReplayedDriver driver(replay::nativePort, replay::windowsTick, bootloaderLike);
    driver.framingErrorAfterBytes = 1;
    SerialPort serial(port, 5);
    serial.openPort();
    serial.writeByte('V');
    std::string message;
    std::error_code cause;
    try {
        serial.readByte();
    } catch (const PortException& error) {
        message = error.message();
        cause = error.cause();
    }
    EXPECT_EQ(message, "Пимилка читання байту з COM порту!");
    EXPECT_EQ(cause, lineErrorCode(LineError::framing));
    EXPECT_EQ(cause.message(), "framing error");
    // What the receive purge throws away takes its line errors along.
    driver.framingErrorAfterBytes = 3;
    serial.writeByte('V');
    serial.purgeTransmit();
    driver.advance(5ms);
    serial.purgeReceive();
    serial.writeByte('V');
    EXPECT_EQ(serial.readByte(), 2);
    EXPECT_EQ(serial.readByte(), 10);

    ReplayedDriver probing(replay::ftdiAdapter, replay::windowsTick, bootloaderLike);
    probing.framingErrorAfterBytes = 1;
    SerialPort probe(port, 5);
    probe.openPort();
    probe.writeByte('V');
    EXPECT_EQ(probe.pollByte(probing.seconds()), 10) << "the spoiled burst is dropped, the next is read";
}

// What the port gives the driver: the line as the instrument needs it, with
// flow control, DTR and RTS control and the special characters as found and
// line errors not stopping the port; reads that return at once after the
// open, read waits of one short slice, writes bounded by the port's time-out,
// and the time-outs as found after the close.
TEST(SerialPortOnWindows, OpenGivesTheLineItsSettingsAndEachPhaseItsTimeOuts)
{
    ReplayedDriver driver(replay::ftdiAdapter, replay::windowsTick, bootloaderLike);
    SerialPort serial(port, 2);
    serial.openPort();
    exchange(driver, serial);
    serial.closePort();

    DCB expected = ReplayedDriver::settingsFound();
    expected.BaudRate = 115200;
    expected.fBinary = 1;
    expected.fParity = 0;
    expected.ByteSize = 8;
    expected.Parity = NOPARITY;
    expected.StopBits = TWOSTOPBITS;
    expected.fAbortOnError = 0;
    ASSERT_EQ(driver.statesSet.size(), 1u);
    EXPECT_EQ(std::memcmp(&driver.statesSet.front(), &expected, sizeof expected), 0);

    ASSERT_GE(driver.timeoutsSet.size(), 3u);
    const COMMTIMEOUTS& opened = driver.timeoutsSet.front();
    EXPECT_EQ(opened.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(opened.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(opened.ReadTotalTimeoutConstant, 0u);
    for (std::size_t i = 0; i + 1 < driver.timeoutsSet.size(); ++i) {
        SCOPED_TRACE(i);
        const COMMTIMEOUTS& set = driver.timeoutsSet[i];
        EXPECT_EQ(set.WriteTotalTimeoutMultiplier, 1u);
        EXPECT_EQ(set.WriteTotalTimeoutConstant, 2000u);
        if (i > 0) {
            EXPECT_EQ(set.ReadIntervalTimeout, 0u);
            EXPECT_EQ(set.ReadTotalTimeoutMultiplier, 0u);
            EXPECT_GE(set.ReadTotalTimeoutConstant, 1u);
            EXPECT_LE(set.ReadTotalTimeoutConstant, 25u);
        }
    }
    const COMMTIMEOUTS found = ReplayedDriver::timeoutsFound();
    EXPECT_EQ(std::memcmp(&driver.timeoutsSet.back(), &found, sizeof found), 0);
}

// A line that does not take our output fails within the port's time-out, once,
// and the port is let go. A native port holds the write itself: the write
// fails. A USB adapter takes the bytes: the reply's read times out, and the
// close then drops what the adapter holds; only output written without a
// transmit purge after it (the leave command) is waited for at close, and
// fails as its write. The message is that of the call whose bytes did not go.
// Output that goes reaches the instrument before the port is closed.
TEST(SerialPortOnWindows, AHeldLineFailsOnceWithinThePortsTimeOutWithTheRightMessage)
{
    const std::string byteWrite = "Помилка запису байту в COM порт!";
    const std::string blockWrite = "Помилка запису послідовності байт в COM порт!";
    const std::string readTimedOut = "Таймаут протягом операції читання з COM порту!";
    static const std::vector<std::uint8_t> data(blockLength, 0x55);
    using Command = void (*)(SerialPort&);
    const Command query = [](SerialPort& p) {
        p.writeByte('V');
        p.purgeTransmit();
        p.readByte();
        p.readByte();
    };
    const Command leave = [](SerialPort& p) { p.writeByte('E'); };
    const Command blockAlone = [](SerialPort& p) { p.writeBlock(data.data(), blockLength); };
    const Command blockAfterHeader = [](SerialPort& p) {
        for (const int byte : {int{'B'}, 1, 0, int{'F'}})
            p.writeByte(byte);
        p.writeBlock(data.data(), blockLength);
    };
    const struct {
        const char* what;
        const Driver& kind;
        bool held;
        Command command;
        std::string message; // empty: it goes
        std::size_t arrives;
    } cases[] = {
        {"query", replay::nativePort, false, query, "", 1},
        {"leave", replay::ftdiAdapter, false, leave, "", 1},
        {"leave", replay::cdcAdapter, false, leave, "", 1},
        {"query", replay::nativePort, true, query, byteWrite, 0},
        {"leave", replay::nativePort, true, leave, byteWrite, 0},
        {"block", replay::nativePort, true, blockAlone, blockWrite, 0},
        {"block after its header", replay::nativePort, true, blockAfterHeader, byteWrite, 0},
        {"query", replay::ftdiAdapter, true, query, readTimedOut, 0},
        {"query", replay::cdcAdapter, true, query, readTimedOut, 0},
        {"leave", replay::ftdiAdapter, true, leave, byteWrite, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << ", " << c.kind.name << (c.held ? ", CTS held" : ""));
        ReplayedDriver driver(c.kind, replay::windowsTick, bootloaderLike);
        std::string message;
        std::error_code cause;
        microseconds start{};
        {
            SerialPort serial(port, 2);
            serial.openPort();
            driver.outputHeld = c.held;
            start = driver.time();
            try {
                c.command(serial);
                serial.closePort();
            } catch (const GeneralException& error) {
                message = error.message();
                cause = error.cause();
            }
        }
        EXPECT_EQ(message, c.message);
        EXPECT_LE(driver.time() - start, 2s + 1ms * (4 + blockLength) + 25ms + replay::windowsTick);
        EXPECT_TRUE(driver.closed);
        EXPECT_EQ(driver.receivedByInstrument.size(), c.arrives);
        if (c.message == byteWrite || c.message == blockWrite) {
            EXPECT_EQ(cause, std::error_code(ERROR_TIMEOUT, std::system_category()));
        }
        EXPECT_FALSE(driver.purgedTransmit);
        EXPECT_EQ(driver.discardedAtClose, c.held && c.kind.countsOutput ? 1 : 0);
    }
}

// A request to stop while the close waits for the leave command's byte on a
// held line ends the wait: the port is let go and the request raised, to end
// the run as any interruption does; from the destructor nothing escapes.
TEST(SerialPortOnWindows, ARequestToStopDuringTheCloseDrainEndsItAndTheCloseStillLetsGo)
{
    struct Interrupting final : frontend::Idle {
        void whileWaiting() override { throw GeneralException("interrupted"); }
        frontend::Binding binding{nullptr, nullptr, this};
    };
    for (const bool explicitClose : {true, false}) {
        SCOPED_TRACE(explicitClose ? "closePort" : "destructor");
        ReplayedDriver driver(replay::ftdiAdapter, replay::windowsTick, bootloaderLike);
        std::string message;
        microseconds closing{};
        {
            Interrupting idle;
            SerialPort serial(port, 2);
            serial.openPort();
            driver.outputHeld = true;
            serial.writeByte('E');
            closing = driver.time();
            if (explicitClose) {
                try {
                    serial.closePort();
                } catch (const GeneralException& error) {
                    message = error.message();
                }
                EXPECT_FALSE(serial.isOpen());
            }
        }
        EXPECT_EQ(message, explicitClose ? "interrupted" : "");
        EXPECT_TRUE(driver.closed);
        EXPECT_LT(driver.time() - closing, 1s) << "the wait went on after the request";
    }
}

} // namespace
