// The Windows half of SerialPort: a COM device opened for synchronous I/O.
//
// Windows' timer ticks every 15.6 ms unless some program asks for more, so
// neither Sleep nor GetTickCount64 can time a reply that takes a millisecond.
// The driver does the waiting instead: a read asks for the bytes awaited with
// the time-outs 0/0/C (return once they are all there or C ms have passed),
// which ends as soon as they arrive, with no tick in between; C is one slice
// of the wait, short enough for the window's idle calls and the seconds clock.
// Deadlines are taken on the link clock's steady time (QueryPerformanceCounter
// behind steady_clock). All Windows calls go through win32_serial_calls.h.

#include "link/serial_port.h"

#include "link/idle_ticker.h"
#include "link/line_error.h"
#include "link/line_timing.h"
#include "link/link_clock.h"
#include "link/win32_serial_calls.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include <windows.h>

namespace {

HANDLE deviceHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::error_code systemError(DWORD number) { return {static_cast<int>(number), std::system_category()}; }

// Notes the system's error when the call failed; passes the outcome on.
bool noted(bool succeeded, std::error_code& error)
{
    if (!succeeded)
        error = systemError(win32SerialCalls().lastError());
    return succeeded;
}

// The cause that a read names when the driver saw the line spoil it; the
// flags often come together (a break is also a framing error).
std::optional<LineError> lineErrorIn(DWORD errors)
{
    if ((errors & CE_BREAK) != 0)
        return LineError::breakReceived;
    if ((errors & CE_FRAME) != 0)
        return LineError::framing;
    if ((errors & CE_RXPARITY) != 0)
        return LineError::parity;
    if ((errors & CE_OVERRUN) != 0)
        return LineError::overrun;
    if ((errors & CE_RXOVER) != 0)
        return LineError::inputOverflow;
    return std::nullopt;
}

// A line that stops taking output (flow control held by a peer or left on
// with a three-wire cable, a stalled adapter) must not hold the run for ever:
// output that has made no progress within the port's read time-out is a
// failure. 0 would mean no time-out at all.
DWORD stallMilliseconds(std::int32_t timeoutSeconds)
{
    return timeoutSeconds > 0 ? static_cast<DWORD>(timeoutSeconds) * 1000 : 1;
}

// A write may take a millisecond per byte (ten times the line's byte time,
// which the driver cannot count finer) on top of that: a long block frame on
// a healthy line never runs out, a stalled line fails within the time-out.
constexpr DWORD writeMillisecondsPerByte = 1;

// Read time-outs for a wait of the given milliseconds: 0 returns at once with
// what has come (MAXDWORD/0/0), otherwise 0/0/C, which wine carries out as
// Windows does.
COMMTIMEOUTS timeoutsFor(DWORD readWait, std::int32_t timeoutSeconds)
{
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = readWait == 0 ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = readWait;
    timeouts.WriteTotalTimeoutMultiplier = writeMillisecondsPerByte;
    timeouts.WriteTotalTimeoutConstant = stallMilliseconds(timeoutSeconds);
    return timeouts;
}

using std::chrono::microseconds;
using std::chrono::milliseconds;

microseconds steadyNow() { return linkClock().steadyTime(); }

// The bytes a native port's transmitter may still hold once the driver has
// handed them all on: its FIFO.
constexpr int transmitterFifoBytes = 16;

// Waits until the driver reports no output left, no longer than the port's
// time-out. A native port reports none once a synchronous write has returned;
// a USB adapter counts what it still holds. FlushFileBuffers is never used:
// it obeys flow control and has no time-out, so a peer holding CTS or XOFF
// would hold it for good. The count is looked at again after the time its
// bytes need on the line instead. Line errors seen meanwhile are kept for
// the next read.
bool waitForOutput(HANDLE handle, std::int32_t timeoutSeconds, SerialDriverState& driverState, std::error_code& error)
{
    Win32SerialCalls& calls = win32SerialCalls();
    const microseconds deadline = steadyNow() + milliseconds(stallMilliseconds(timeoutSeconds));
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!noted(calls.clearCommError(handle, errors, status), error))
            return false;
        driverState.lineErrors |= errors;
        driverState.queuedInput = status.cbInQue;
        if (status.cbOutQue == 0)
            return true;
        const microseconds left = deadline - steadyNow();
        if (left <= microseconds(0)) {
            error = systemError(ERROR_TIMEOUT);
            return false;
        }
        IdleTicker::tick();
        const auto lineTime = std::chrono::ceil<milliseconds>(byteOnLine * status.cbOutQue);
        const auto slice = std::clamp<milliseconds>(lineTime, milliseconds(1), IdleTicker::interval);
        calls.sleep(static_cast<DWORD>(std::min(slice, std::chrono::ceil<milliseconds>(left)).count()));
    }
}

// Clears what the driver noted of the line until now, and its count of input.
void forgetLineErrors(HANDLE handle, SerialDriverState& driverState)
{
    DWORD errors = 0;
    COMSTAT status{};
    win32SerialCalls().clearCommError(handle, errors, status);
    driverState.lineErrors = 0;
    driverState.queuedInput = status.cbInQue;
}

// Once the driver has handed everything on, a native port's transmitter may
// still be sending the last bytes from its FIFO.
void pauseForTransmitter()
{
    const auto fifoTime = std::chrono::ceil<milliseconds>(byteOnLine * transmitterFifoBytes);
    win32SerialCalls().sleep(static_cast<DWORD>(fifoTime.count()));
}

} // namespace

bool SerialPort::openDevice()
{
    const HANDLE handle = win32SerialCalls().createFile(devicePath);
    if (handle == INVALID_HANDLE_VALUE) {
        deviceError = systemError(win32SerialCalls().lastError());
        return false;
    }
    portHandle = reinterpret_cast<PortHandle>(handle);
    driverState = {};
    // Whatever the line did before the port was ours is not our reads' business.
    forgetLineErrors(handle, driverState);
    return true;
}

bool SerialPort::saveTimeouts()
{
    COMMTIMEOUTS found{};
    if (!noted(win32SerialCalls().getCommTimeouts(deviceHandle(portHandle), found), deviceError))
        return false;
    savedTimeouts.values[0] = found.ReadIntervalTimeout;
    savedTimeouts.values[1] = found.ReadTotalTimeoutMultiplier;
    savedTimeouts.values[2] = found.ReadTotalTimeoutConstant;
    savedTimeouts.values[3] = found.WriteTotalTimeoutMultiplier;
    savedTimeouts.values[4] = found.WriteTotalTimeoutConstant;
    return true;
}

// Reads return at once until a receive asks them to wait.
bool SerialPort::applyTimeouts()
{
    if (!noted(win32SerialCalls().setCommTimeouts(deviceHandle(portHandle), timeoutsFor(0, timeout)), deviceError))
        return false;
    driverState.readWait = 0;
    return true;
}

SerialPort::LineSettings SerialPort::applyLineSettings()
{
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!noted(win32SerialCalls().getCommState(deviceHandle(portHandle), settings), deviceError))
        return LineSettings::ReadFailed;
    // Flow control, DTR and RTS control and the special characters stay as found.
    settings.BaudRate = baudRate;
    settings.fBinary = 1;
    settings.fParity = 0;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = TWOSTOPBITS;
    // Otherwise one line error stops every later read and write until it is
    // cleared; the reads clear and report them themselves.
    settings.fAbortOnError = 0;
    if (!noted(win32SerialCalls().setCommState(deviceHandle(portHandle), settings), deviceError))
        return LineSettings::WriteFailed;
    return LineSettings::Applied;
}

bool SerialPort::restoreTimeouts()
{
    COMMTIMEOUTS saved{};
    saved.ReadIntervalTimeout = savedTimeouts.values[0];
    saved.ReadTotalTimeoutMultiplier = savedTimeouts.values[1];
    saved.ReadTotalTimeoutConstant = savedTimeouts.values[2];
    saved.WriteTotalTimeoutMultiplier = savedTimeouts.values[3];
    saved.WriteTotalTimeoutConstant = savedTimeouts.values[4];
    if (!noted(win32SerialCalls().setCommTimeouts(deviceHandle(portHandle), saved), deviceError))
        return false;
    driverState.readWait = ~0u;
    return true;
}

bool SerialPort::releaseDevice()
{
    const HANDLE handle = deviceHandle(portHandle);
    portHandle = invalidHandle;
    return noted(win32SerialCalls().closeHandle(handle), deviceError);
}

int SerialPort::receiveArrived(std::uint8_t* into, int capacity, int wanted, int milliseconds)
{
    Win32SerialCalls& calls = win32SerialCalls();
    const HANDLE handle = deviceHandle(portHandle);
    const auto readWait = static_cast<DWORD>(std::max(milliseconds, 0));
    if (readWait != driverState.readWait) {
        if (!noted(calls.setCommTimeouts(handle, timeoutsFor(readWait, timeout)), deviceError))
            return -1;
        driverState.readWait = readWait;
    }
    // What the driver said it holds may make the read larger, so that it
    // takes all of it at once; it never stands in for the read, since a USB
    // adapter's count lags what is about to arrive.
    const DWORD asked = static_cast<DWORD>(
        std::clamp(std::max(wanted, static_cast<int>(driverState.queuedInput)), 1, capacity));
    DWORD got = 0;
    if (!noted(calls.readFile(handle, into, asked, got), deviceError))
        return -1;
    DWORD errors = 0;
    COMSTAT status{};
    if (!noted(calls.clearCommError(handle, errors, status), deviceError))
        return -1;
    driverState.queuedInput = status.cbInQue;
    errors |= std::exchange(driverState.lineErrors, 0);
    if (const std::optional<LineError> spoiled = lineErrorIn(errors)) {
        deviceError = lineErrorCode(*spoiled);
        return -1;
    }
    return static_cast<int>(got);
}

// The driver waits within each read; there is nothing to sleep for here.
void SerialPort::sleepBriefly(std::chrono::nanoseconds) {}

bool SerialPort::writeBytes(const std::uint8_t* bytes, std::int32_t count, std::int32_t& sent)
{
    // Synchronous: returns when the driver has taken every byte, or having
    // taken fewer once the write time-out has run out.
    DWORD written = 0;
    const bool succeeded =
        noted(win32SerialCalls().writeFile(deviceHandle(portHandle), bytes, static_cast<DWORD>(count), written),
              deviceError);
    sent = static_cast<std::int32_t>(written);
    if (!succeeded)
        return false;
    if (written == static_cast<DWORD>(count))
        return true;
    deviceError = systemError(ERROR_TIMEOUT);
    return false;
}

// The synchronous write that sent the frame has returned once the driver had
// taken all of it, and the reply cannot come before the frame has arrived:
// there is nothing to wait for here. Discarding the driver's output (PurgeComm
// with PURGE_TXCLEAR, which under wine also drops bytes already handed to the
// other side) would lose bytes of ours.
bool SerialPort::purgeDeviceTransmit()
{
    return true;
}

// Line errors of the input thrown away belong to it: the next read must not
// fail for them.
bool SerialPort::purgeDeviceReceive()
{
    const HANDLE handle = deviceHandle(portHandle);
    if (!noted(win32SerialCalls().purgeComm(handle, PURGE_RXCLEAR), deviceError))
        return false;
    forgetLineErrors(handle, driverState);
    return true;
}

// Once the driver has handed everything on, a native port's transmitter may
// still be sending from its FIFO.
bool SerialPort::drainForRelease()
{
    if (!waitForOutput(deviceHandle(portHandle), timeout, driverState, deviceError))
        return false;
    pauseForTransmitter();
    return true;
}
