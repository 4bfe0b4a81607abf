// The Windows half of SerialPort: a COM device opened for synchronous I/O,
// with time-outs that make every read return at once.

#include "link/serial_port.h"

#include "link/idle_ticker.h"
#include "link/port_names.h"

#include <string>
#include <system_error>

#include <windows.h>

namespace {

HANDLE deviceHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::error_code lastSystemError()
{
    return {static_cast<int>(GetLastError()), std::system_category()};
}

// Notes the system's error when the call failed; passes the outcome on.
bool noted(bool succeeded, std::error_code& error)
{
    if (!succeeded)
        error = lastSystemError();
    return succeeded;
}

// Also true when the driver cannot say: the read that follows reports why.
bool inputQueuedOrUnknown(HANDLE handle)
{
    COMSTAT status{};
    DWORD errors = 0;
    return !ClearCommError(handle, &errors, &status) || status.cbInQue > 0;
}

// A line that stops taking output (flow control held by a peer or left on
// with a three-wire cable, a stalled adapter) must not hold the run for ever:
// output that has not gone within the port's read time-out is a failure.
DWORD writeTimeoutMilliseconds(std::int32_t timeoutSeconds)
{
    // 0 would mean no time-out at all.
    return timeoutSeconds > 0 ? static_cast<DWORD>(timeoutSeconds) * 1000 : 1;
}

} // namespace

bool SerialPort::openDevice()
{
    const std::string name = portDevicePath(portNumber);
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        deviceError = lastSystemError();
        return false;
    }
    portHandle = reinterpret_cast<PortHandle>(handle);
    return true;
}

bool SerialPort::saveTimeouts()
{
    COMMTIMEOUTS found{};
    if (!noted(GetCommTimeouts(deviceHandle(portHandle), &found) != 0, deviceError))
        return false;
    savedTimeouts.values[0] = found.ReadIntervalTimeout;
    savedTimeouts.values[1] = found.ReadTotalTimeoutMultiplier;
    savedTimeouts.values[2] = found.ReadTotalTimeoutConstant;
    savedTimeouts.values[3] = found.WriteTotalTimeoutMultiplier;
    savedTimeouts.values[4] = found.WriteTotalTimeoutConstant;
    return true;
}

bool SerialPort::applyTimeouts()
{
    // This combination makes a read return at once with what has arrived, even
    // nothing; a write gives up once the port's time-out has passed.
    COMMTIMEOUTS immediate{};
    immediate.ReadIntervalTimeout = MAXDWORD;
    immediate.ReadTotalTimeoutMultiplier = 0;
    immediate.ReadTotalTimeoutConstant = 0;
    immediate.WriteTotalTimeoutMultiplier = 0;
    immediate.WriteTotalTimeoutConstant = writeTimeoutMilliseconds(timeout);
    return noted(SetCommTimeouts(deviceHandle(portHandle), &immediate) != 0, deviceError);
}

SerialPort::LineSettings SerialPort::applyLineSettings()
{
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!noted(GetCommState(deviceHandle(portHandle), &settings) != 0, deviceError))
        return LineSettings::ReadFailed;
    // Flow control, DTR and RTS control and the special characters stay as found.
    settings.BaudRate = baudRate;
    settings.fBinary = 1;
    settings.fParity = 0;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = TWOSTOPBITS;
    if (!noted(SetCommState(deviceHandle(portHandle), &settings) != 0, deviceError))
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
    return noted(SetCommTimeouts(deviceHandle(portHandle), &saved) != 0, deviceError);
}

bool SerialPort::releaseDevice()
{
    const HANDLE handle = deviceHandle(portHandle);
    portHandle = invalidHandle;
    return noted(CloseHandle(handle) != 0, deviceError);
}

// The port's time-outs make ReadFile return at once with what has arrived,
// up to the buffer's size.
int SerialPort::readAvailable(std::uint8_t* into, int capacity)
{
    DWORD got = 0;
    if (!noted(ReadFile(deviceHandle(portHandle), into, static_cast<DWORD>(capacity), &got, nullptr) != 0,
               deviceError))
        return -1;
    return static_cast<int>(got);
}

// Ends as soon as input is queued. Until then it spins briefly (replies usually
// come within a couple of milliseconds) and then sleeps, so that a silent line
// costs no processor time.
bool SerialPort::waitForInput(int milliseconds)
{
    const HANDLE handle = deviceHandle(portHandle);
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG limit = static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
    constexpr ULONGLONG spinning = 2;
    for (;;) {
        if (inputQueuedOrUnknown(handle))
            return true;
        const ULONGLONG waited = GetTickCount64() - start;
        if (waited >= limit)
            return false;
        if (waited < spinning)
            SwitchToThread();
        else
            Sleep(1);
    }
}

// Sleep counts in ticks of the system timer, up to 15.6 ms: far longer than a
// stream's few milliseconds, so the wait for input goes on as before.
void SerialPort::sleepBriefly(std::chrono::nanoseconds) {}

bool SerialPort::writeBytes(const std::uint8_t* bytes, std::int32_t count)
{
    // Synchronous: returns when the driver has taken every byte, or having
    // taken fewer once the write time-out has run out.
    DWORD written = 0;
    if (!noted(WriteFile(deviceHandle(portHandle), bytes, static_cast<DWORD>(count), &written, nullptr) != 0,
               deviceError))
        return false;
    if (written == static_cast<DWORD>(count))
        return true;
    deviceError = {ERROR_TIMEOUT, std::system_category()};
    return false;
}

// Every purge of the transmit side follows a write of ours, and none of those
// bytes may be lost: so instead of discarding the driver's output queue
// (PurgeComm with PURGE_TXCLEAR, which under wine also drops bytes already
// handed to the other side) wait until the queue has gone out. After that a
// discard would find nothing anyway. FlushFileBuffers would wait the same way
// but for ever on a line that does not move; this wait ends with the port's
// time-out.
bool SerialPort::purgeDeviceTransmit()
{
    const HANDLE handle = deviceHandle(portHandle);
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG limit = writeTimeoutMilliseconds(timeout);
    for (;;) {
        COMSTAT status{};
        DWORD errors = 0;
        if (!noted(ClearCommError(handle, &errors, &status) != 0, deviceError))
            return false;
        if (status.cbOutQue == 0)
            return true;
        if (GetTickCount64() - start >= limit) {
            deviceError = {ERROR_TIMEOUT, std::system_category()};
            return false;
        }
        IdleTicker::tick();
        Sleep(1);
    }
}

bool SerialPort::purgeDeviceReceive()
{
    return noted(PurgeComm(deviceHandle(portHandle), PURGE_RXCLEAR) != 0, deviceError);
}
