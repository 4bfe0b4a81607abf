// The Windows serial port against drivers replayed as they behave on Windows
// (tests/support/replayed_driver.h), in simulated time: what wine never shows.

#include "common/general_exception.h"
#include "link/line_error.h"
#include "link/line_timing.h"
#include "link/serial_port.h"
#include "tests/support/replayed_driver.h"

#include <gtest/gtest.h>

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
    serial.writeByte('g');
    serial.purgeTransmit();
    serial.expectStream(blockLength);
    for (int i = 0; i < blockLength; ++i)
        EXPECT_EQ(serial.readByte(), 0xA5) << "byte " << i;
    return driver.time() - start;
}

// Each driver hands the replies on as they come: the read that waits for them
// ends as soon as they are there, never on a tick of Windows' timer, so the
// 15.6 ms tick adds nothing to a round trip; every read waits a slice short
// enough for the window; output is never discarded and no sleep is taken.
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
                EXPECT_EQ(counts.writeFile, exactCounts.writeFile);
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

// Output that does not go: the transmit purge waits for it up to the port's
// time-out and fails with its own message, and the close, which waits for
// output written without a purge (the leave command), fails the same way but
// still lets go of the port. Output that goes is waited for by the driver and
// reaches the instrument before the port is closed.
TEST(SerialPortOnWindows, OutputIsWaitedForAtThePurgeAndAtCloseWithinThePortsTimeOut)
{
    const struct {
        const Driver& kind;
        bool held;
    } cases[] = {{replay::ftdiAdapter, false}, {replay::cdcAdapter, false}, {replay::nativePort, false},
                 {replay::ftdiAdapter, true}, {replay::cdcAdapter, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind.name << (c.held ? ", held by flow control" : ""));
        ReplayedDriver driver(c.kind, replay::windowsTick, bootloaderLike);
        SerialPort serial(port, 2);
        serial.openPort();
        driver.outputHeld = c.held;
        const microseconds start = driver.time();
        std::string purgeFailure;
        std::error_code cause;
        try {
            serial.writeByte('E');
            serial.purgeTransmit();
            serial.writeByte('E');
            serial.closePort();
        } catch (const PortException& error) {
            purgeFailure = error.message();
            cause = error.cause();
        }
        if (!c.held) {
            EXPECT_EQ(purgeFailure, "");
            EXPECT_EQ(driver.receivedByInstrument, (std::vector<std::uint8_t>{'E', 'E'}));
            EXPECT_EQ(driver.discardedAtClose, 0);
            EXPECT_EQ(driver.counts.sleep, 1) << "only the transmitter's FIFO at close";
            continue;
        }
        EXPECT_EQ(purgeFailure, "Помилка очистки ТХ буфера COM порту!");
        EXPECT_EQ(cause, std::error_code(ERROR_TIMEOUT, std::system_category()));
        EXPECT_GE(driver.time() - start, 2s);
        EXPECT_LE(driver.time() - start, 2s + 25ms + replay::windowsTick);

        const microseconds closing = driver.time();
        std::string closeFailure;
        try {
            serial.closePort();
        } catch (const PortException& error) {
            closeFailure = error.message();
            cause = error.cause();
        }
        EXPECT_EQ(closeFailure, "Помилка закриття COM порту!");
        EXPECT_EQ(cause, std::error_code(ERROR_TIMEOUT, std::system_category()));
        EXPECT_LE(driver.time() - closing, 2s + 25ms + replay::windowsTick);
        EXPECT_TRUE(driver.closed);
        EXPECT_FALSE(driver.purgedTransmit);
    }
}

// The leave command's byte on a held line: the close waits for it once, for
// the port's time-out, fails with the write failure and lets go of the port.
TEST(SerialPortOnWindows, AnUnsentByteAtCloseIsWaitedForOnceAndFailsItsWrite)
{
    ReplayedDriver driver(replay::ftdiAdapter, replay::windowsTick, bootloaderLike);
    SerialPort serial(port, 2);
    serial.openPort();
    driver.outputHeld = true;
    serial.writeByte('E');
    const microseconds closing = driver.time();
    std::string failure;
    try {
        serial.closePort();
    } catch (const PortException& error) {
        failure = error.message();
    }
    EXPECT_EQ(failure, "Помилка запису байту в COM порт!");
    EXPECT_GE(driver.time() - closing, 2s);
    EXPECT_LE(driver.time() - closing, 2s + 25ms + replay::windowsTick);
    EXPECT_TRUE(driver.closed);
}

// The native driver keeps a write that cannot go until its time-out: a
// millisecond a byte beyond the port's time-out.
TEST(SerialPortOnWindows, AWriteOnAHeldNativeLineFailsWithinThePortsTimeOut)
{
    ReplayedDriver driver(replay::nativePort, replay::windowsTick, bootloaderLike);
    SerialPort serial(port, 2);
    serial.openPort();
    driver.outputHeld = true;
    const std::vector<std::uint8_t> block(blockLength, 0x55);
    const microseconds start = driver.time();
    try {
        serial.writeBlock(block.data(), blockLength);
        ADD_FAILURE() << "the write went";
    } catch (const PortException& error) {
        EXPECT_EQ(error.message(), "Помилка запису послідовності байт в COM порт!");
        EXPECT_EQ(error.cause(), std::error_code(ERROR_TIMEOUT, std::system_category()));
    }
    EXPECT_LE(driver.time() - start, 2s + 256ms + replay::windowsTick);
}

} // namespace
