#include "link/serial_port.h"

#include "common/general_exception.h"
#include "link/idle_ticker.h"
#include "link/line_error.h"
#include "link/line_timing.h"
#include "link/link_clock.h"
#include "ports/port_table.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>
#include <utility>

namespace {

const char* const negativeTimeout = "Негативний таймаут COM порта не дозволений!";
// "COM1 - COM10" where the scan numbers ten ports (Linux), "COM1 - COM256" on Windows.
std::string portOutOfRange()
{
    return "Підтримується тільки порти COM" + std::to_string(firstPortNumber) + " - COM" +
           std::to_string(lastPortNumber) + "!";
}

const char* const alreadyOpen = "Канал вже відкритий! Неможливо відкрити вдруге!";
const char* const openFailurePrefix = "Помилка відкриття  порту COM";
const char* const timeoutsReadFailure = "Помилка читання установок COM порта!";
const char* const settingsWriteFailure = "Помилка зміни установок COM порту!";
const char* const lineSettingsReadFailure = "Помилка читання установок COM порту!";
const char* const closeFailure = "Помилка закриття COM порту!";

const char* const notOpenForWrite = "Канал не відкритий! Неможливо з'єднатися з невідкритим портом!";
const char* const notOpenForRead = "Канал не відкритий! Неможливо читати з невідкритого каналу!";
const char* const notOpenForPurge = "Канал не відкритий! Неможливо очистити невідкритий канал!";
const char* const notOpenForBlock = "Канал не відкритий! Неможливо писати в невідкритий канал!";

const char* const byteWriteFailure = "Помилка запису байту в COM порт!";
const char* const readByteFailure = "Пимилка читання байту з COM порту!";
const char* const pollByteFailure = "Помилка читання байту з COM порта!";
const char* const readTimedOut = "Таймаут протягом операції читання з COM порту!";
const char* const transmitPurgeFailure = "Помилка очистки ТХ буфера COM порту!";
const char* const receivePurgeFailure = "Помилка очистки RX буфера COM порту!";
const char* const blockWriteFailure = "Помилка запису послідовності байт в COM порт!";

// How much of an announced stream one read may wait for: a few milliseconds
// of line time, well inside the front end's idle interval.
constexpr std::int32_t streamGatherBytes = 64;
// Bytes of an announced stream that may seem to have come early: the clock
// is read only after each read.
constexpr std::int32_t earlyBytes = 16;

// How long one wait for input may last: short enough for the front end's
// idle calls, and ending just after the seconds clock next ticks, so that a
// deadline on that clock is noticed as soon as it is reached.
int waitSliceMilliseconds()
{
    return static_cast<int>(linkClock().inputWait(IdleTicker::interval).count());
}

} // namespace

SerialPort::SerialPort(std::int32_t port, std::int32_t timeoutSeconds)
    : portNumber(port), baudRate(lineBitsPerSecond), timeout(timeoutSeconds), portHandle(invalidHandle), channelOpen(false)
{
    if (timeoutSeconds < 0)
        throw GeneralException(negativeTimeout);
    if (!isPortNumber(port))
        throw GeneralException(portOutOfRange());
}

SerialPort::~SerialPort()
{
    try {
        closePort();
    } catch (...) {
        // Nobody can be told from here; callers who care call closePort first.
    }
    // closePort failed: still let go of the device, or it stays locked for good.
    if (channelOpen && portHandle != invalidHandle)
        releaseDevice();
}

void SerialPort::openPort()
{
    if (channelOpen)
        throw PortException(alreadyOpen);
    if (!openDevice())
        fail(openFailurePrefix + std::to_string(portNumber));
    // From here on the object holds the device, so close or delete releases it
    // even when the configuration below fails.
    channelOpen = true;
    if (!saveTimeouts())
        fail(timeoutsReadFailure);
    if (!applyTimeouts())
        fail(settingsWriteFailure);
    switch (applyLineSettings()) {
    case LineSettings::ReadFailed:
        fail(lineSettingsReadFailure);
    case LineSettings::WriteFailed:
        fail(settingsWriteFailure);
    case LineSettings::Applied:
        break;
    }
}

// Bytes written are never dropped: what is gathered and what the last write
// left queued go out before the device is let go. When the line does not take
// them within the time-out, the port is still released (a stuck port would
// stay locked for good) and the write's own failure is raised, so that nobody
// is told the command went out when it did not.
void SerialPort::closePort()
{
    if (!channelOpen)
        return;
    std::exception_ptr outputFailure;
    // The handle is gone only after a failed release; there is nothing left to restore then.
    if (portHandle != invalidHandle) {
        outputFailure = finishOutput();
        if (!restoreTimeouts())
            fail(settingsWriteFailure);
        if (!releaseDevice())
            fail(closeFailure);
    }
    channelOpen = false;
    gatheredCount = 0;
    arrivedNext = arrivedEnd = 0;
    streamAhead = 0;
    if (outputFailure)
        std::rethrow_exception(outputFailure);
}

// The wait for the line is not part of a frame: every byte is with the driver
// by then, so a request to stop may end it, and the port is still let go.
std::exception_ptr SerialPort::finishOutput()
{
    try {
        sendGathered();
        const char* const unsent = std::exchange(unsentWriteFailure, nullptr);
        if (unsent != nullptr && !drainForRelease())
            fail(unsent);
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void SerialPort::requireOpen(const char* notOpenMessage) const
{
    if (!channelOpen)
        throw PortException(notOpenMessage);
}

void SerialPort::fail(const std::string& message)
{
    throw PortException(message, std::exchange(deviceError, {}));
}

void SerialPort::writeByte(int value)
{
    requireOpen(notOpenForWrite);
    if (gatheredCount == gatherCapacity)
        sendGathered();
    gathered[gatheredCount++] = static_cast<std::uint8_t>(value & 0xFF);
}

void SerialPort::writeBlock(const std::uint8_t* bytes, std::int32_t count)
{
    requireOpen(notOpenForBlock);
    // A negative count or a missing buffer would send whatever lies in memory.
    if (count < 0 || (count > 0 && bytes == nullptr))
        throw PortException(blockWriteFailure);
    if (count > gatherCapacity - gatheredCount) {
        // Too long to gather: what is gathered goes first, then the block.
        sendGathered();
        send(bytes, count, 0);
        return;
    }
    // A block command's header and its data are one frame.
    const std::int32_t fromWriteByte = std::exchange(gatheredCount, 0);
    std::copy_n(bytes, count, gathered + fromWriteByte);
    send(gathered, fromWriteByte + count, fromWriteByte);
}

void SerialPort::sendGathered()
{
    const std::int32_t count = std::exchange(gatheredCount, 0);
    send(gathered, count, count);
}

void SerialPort::send(const std::uint8_t* bytes, std::int32_t count, std::int32_t fromWriteByte)
{
    if (count == 0)
        return;
    const IdleTicker::Sending sending;
    // A write that failed has told that the line takes no output; close does
    // not wait for the line a second time.
    unsentWriteFailure = nullptr;
    std::int32_t sent = 0;
    if (!writeBytes(bytes, count, sent))
        fail(sent < fromWriteByte ? byteWriteFailure : blockWriteFailure);
    unsentWriteFailure = count > fromWriteByte ? blockWriteFailure : byteWriteFailure;
}

SerialPort::Received SerialPort::takeArrivedByte(std::uint8_t& byte, int milliseconds)
{
    if (arrivedNext == arrivedEnd) {
        constexpr int capacity = static_cast<int>(sizeof arrived);
        const int wanted = streamAhead > 0 ? std::min<std::int32_t>(streamAhead, capacity) : 1;
        const int got = receiveArrived(arrived, capacity, wanted, milliseconds);
        if (got < 0)
            return Received::Failed;
        arrivedNext = 0;
        arrivedEnd = got;
        if (got == 0)
            return Received::Nothing;
        // A reply cannot come before the frame has arrived: close need not wait for it.
        unsentWriteFailure = nullptr;
        if (streamAhead > 0)
            noteStreamArrival(got);
    }
    byte = arrived[arrivedNext++];
    if (streamAhead > 0)
        --streamAhead;
    return Received::Byte;
}

void SerialPort::expectStream(std::int32_t count)
{
    streamAhead = count > 0 ? count : 0;
    streamReceived = 0;
    streamBegan = linkClock().steadyTime();
    streamOutpacesLine = false;
}

// A stream that has come faster than the line can carry it (a simulator
// without pacing) is not slept for.
void SerialPort::noteStreamArrival(int count)
{
    streamReceived += count;
    if (byteOnLine * (streamReceived - earlyBytes) > linkClock().steadyTime() - streamBegan)
        streamOutpacesLine = true;
}

// Once the stream has begun, its bytes come no faster than the line carries
// them, so sleeping for fewer byte times than are wanted never holds it back;
// it saves a wake-up and a read for every byte. Two byte times short, so that
// the sleep's own lateness does not delay the end of the stream.
void SerialPort::gatherStream()
{
    const std::int32_t wanted = std::min(streamAhead, streamGatherBytes);
    constexpr std::int32_t margin = 2;
    if (streamReceived == 0 || streamOutpacesLine || wanted <= 2 * margin)
        return;
    sleepBriefly(byteOnLine * (wanted - margin));
}

// Every pass reads, waiting for input within the read where the platform can:
// one wake-up and one read for each burst of input, however small.
bool SerialPort::receiveUntil(std::time_t since, std::time_t wait, std::uint8_t& byte, const char* readFailure,
                              LineErrors lineErrors)
{
    if (arrivedNext == arrivedEnd)
        gatherStream();
    for (;;) {
        // Also while bytes stream in: a long read-back must not starve the window.
        IdleTicker::tick();
        const bool buffered = arrivedNext != arrivedEnd;
        const bool expired = !buffered && linkClock().seconds() - since >= wait;
        switch (takeArrivedByte(byte, buffered || expired ? 0 : waitSliceMilliseconds())) {
        case Received::Failed:
            if (lineErrors == LineErrors::AreNoise && isLineError(deviceError)) {
                deviceError = {};
                break;
            }
            fail(readFailure);
        case Received::Byte:
            return true;
        case Received::Nothing:
            break;
        }
        if (expired)
            return false;
    }
}

std::uint8_t SerialPort::readByte()
{
    // A byte taken from the driver already is handed out at once: no wait
    // starts, so the seconds clock is not read for it (under wine each reading
    // costs a look at the time zone, over 80,000 times an update).
    std::uint8_t byte = 0;
    if (channelOpen && gatheredCount == 0 && arrivedNext != arrivedEnd) {
        IdleTicker::tick();
        takeArrivedByte(byte, 0);
        return byte;
    }
    const std::time_t start = linkClock().seconds();
    requireOpen(notOpenForRead);
    sendGathered();
    if (!receiveUntil(start, timeout, byte, readByteFailure, LineErrors::FailTheRead)) {
        streamAhead = 0;
        throw TimeoutException(readTimedOut);
    }
    return byte;
}

std::uint8_t SerialPort::pollByte(std::time_t referenceTime)
{
    requireOpen(notOpenForRead);
    sendGathered();
    std::uint8_t byte = 0;
    // Only the probe polls, while the instrument is being switched on: what the
    // line does then is no answer, and the bootloader answers the next probe.
    if (!receiveUntil(referenceTime, 1, byte, pollByteFailure, LineErrors::AreNoise))
        return 0;
    return byte;
}

void SerialPort::purgeTransmit()
{
    requireOpen(notOpenForPurge);
    sendGathered();
    const IdleTicker::Sending sending;
    // Waited for below where the platform can tell when output has gone,
    // otherwise shown to have gone by the reply that follows, or failed and
    // told so: close does not wait for it again.
    unsentWriteFailure = nullptr;
    if (!purgeDeviceTransmit())
        fail(transmitPurgeFailure);
}

// Output still gathered is ours and stays.
void SerialPort::purgeReceive()
{
    requireOpen(notOpenForPurge);
    if (!purgeDeviceReceive())
        fail(receivePurgeFailure);
    // Only once the driver's queue is gone: a failed purge keeps what arrived.
    arrivedNext = arrivedEnd = 0;
    streamAhead = 0;
}
