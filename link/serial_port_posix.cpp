// The POSIX half of SerialPort: a terminal device in raw mode.
//
// What is set at open: 115200 bit/s, 8 data bits, no parity, two stop bits,
// the receiver on, modem status ignored (CLOCAL, so that a three-wire cable
// without carrier detect neither blocks nor hangs up the port), and no
// processing of the data in either direction: no echo, no line editing, no
// signal characters, no CR/NL translation, no XON/XOFF. Hardware flow control
// (CRTSCTS), hang-up on close (HUPCL) and the modem lines stay as the port had
// them. The time-out settings (VMIN, VTIME and the descriptor's blocking mode)
// are saved at open and put back at close; the line settings are not.

#include "link/serial_port.h"

#include "common/system_error.h"

#include "link/idle_ticker.h"
#include "link/line_timing.h"
#include "link/output_queue.h"
#include "link/terminal_attributes.h"
#include "ports/port_holders.h"
#include "ports/serial_driver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

enum SavedSlot { savedVmin = 0, savedVtime = 1, savedStatusFlags = 2 };

int descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

bool getAttributes(int fd, termios& settings)
{
    return terminalAttributes().get(fd, settings);
}

bool setAttributes(int fd, const termios& settings)
{
    return terminalAttributes().set(fd, settings);
}

// Opens without blocking on a missing carrier, takes the device for this
// descriptor alone, and keeps it from becoming a controlling terminal.
// Returns -1 with the reason in 'error' when that fails.
int openExclusively(const std::string& path, std::error_code& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = lastErrnoError();
        return -1;
    }
    // TIOCEXCL turns away later opens except a privileged one; the lock turns
    // away every other opener that respects it, root included.
    const auto refuse = [&](std::error_code reason) {
        error = reason;
        ::close(fd);
        return -1;
    };
    if (!::isatty(fd))
        return refuse(errnoError(ENOTTY));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return refuse(errno == EWOULDBLOCK ? errnoError(EBUSY) : lastErrnoError());
    // A program that takes no lock (a terminal program, a getty) would still
    // share the line and break the run midway: as on Windows, a port that
    // someone else has open is not opened.
    if (!portHolders(path).empty())
        return refuse(errnoError(EBUSY));
    if (::ioctl(fd, TIOCEXCL) != 0)
        return refuse(lastErrnoError());
    // A port opens with nothing received, as it does on Windows, even when
    // someone else (a simulator, a getty) kept the terminal alive meanwhile.
    ::tcflush(fd, TCIFLUSH);
    return fd;
}

void makeRaw(termios& settings)
{
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                               IXOFF | IXANY | INPCK | IMAXBEL);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD);
    settings.c_cflag |= CS8 | CSTOPB | CREAD | CLOCAL;
}

bool speedFor(std::uint32_t bitsPerSecond, speed_t& speed)
{
    switch (bitsPerSecond) {
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    case 115200: speed = B115200; return true;
    default: return false;
    }
}

// tcsetattr succeeds when any of the changes took; read back what matters.
bool lineSettingsTook(int fd, speed_t speed)
{
    termios actual{};
    if (!getAttributes(fd, actual))
        return false;
    const tcflag_t frame = CSIZE | PARENB | CSTOPB;
    return ::cfgetospeed(&actual) == speed && ::cfgetispeed(&actual) == speed &&
           (actual.c_cflag & frame) == (CS8 | CSTOPB) && (actual.c_lflag & ICANON) == 0 && (actual.c_oflag & OPOST) == 0;
}

using SteadyClock = std::chrono::steady_clock;

// A line that stops taking output (flow control held by a peer or left on
// with a three-wire cable, a stalled adapter) must not hold the run for ever:
// output that has not gone within the port's read time-out is a failure.
SteadyClock::time_point outputDeadline(std::int32_t timeoutSeconds)
{
    return SteadyClock::now() + std::chrono::seconds(timeoutSeconds);
}

int millisecondsUntil(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// Waits until the descriptor can take more output, the deadline passes or
// the descriptor reports trouble; false for the latter two.
bool waitForRoom(int fd, SteadyClock::time_point deadline, std::error_code& error)
{
    const int left = millisecondsUntil(deadline);
    if (left == 0) {
        error = errnoError(ETIMEDOUT);
        return false;
    }
    pollfd entry{fd, POLLOUT, 0};
    const int ready = ::poll(&entry, 1, std::min(left, static_cast<int>(IdleTicker::interval.count())));
    if (ready < 0) {
        if (errno == EINTR)
            return true;
        error = lastErrnoError();
        return false;
    }
    if ((entry.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0)
        return true;
    error = errnoError(EIO);
    return false;
}

class DriverOutputQueue final : public OutputQueue {
public:
    std::error_code queued(int fd, int& bytes) override
    {
        bytes = 0;
        return ::ioctl(fd, TIOCOUTQ, &bytes) == 0 ? std::error_code() : lastErrnoError();
    }
    void discard(int fd) override { ::tcflush(fd, TCOFLUSH); }
};

class DriverAttributes final : public TerminalAttributes {
public:
    bool get(int fd, termios& settings) override { return ::tcgetattr(fd, &settings) == 0; }
    bool set(int fd, const termios& settings) override { return ::tcsetattr(fd, TCSANOW, &settings) == 0; }
};

// Waits for the output queue to empty, like tcdrain, but no longer than the
// deadline: tcdrain waits for ever on a line that does not move. The pauses
// follow the time the queue takes at the line's speed.
bool drainBefore(int fd, SteadyClock::time_point deadline, std::error_code& error)
{
    using std::chrono::nanoseconds;
    constexpr nanoseconds shortest = std::chrono::microseconds(100);
    constexpr nanoseconds longest = std::chrono::milliseconds(20);
    for (;;) {
        int queued = 0;
        if (const std::error_code failure = outputQueue().queued(fd, queued)) {
            error = failure;
            return false;
        }
        if (queued <= 0)
            return true;
        if (SteadyClock::now() >= deadline) {
            error = errnoError(ETIMEDOUT);
            return false;
        }
        IdleTicker::tick();
        std::this_thread::sleep_for(std::clamp<nanoseconds>(byteOnLine * queued, shortest, longest));
    }
}

} // namespace

template <>
OutputQueue& Seam<OutputQueue>::real()
{
    static DriverOutputQueue queue;
    return queue;
}

template <>
TerminalAttributes& Seam<TerminalAttributes>::real()
{
    static DriverAttributes attributes;
    return attributes;
}

bool SerialPort::openDevice()
{
    if (devicePath.empty()) {
        deviceError = errnoError(ENODEV);
        return false;
    }
    portHandle = openExclusively(devicePath, deviceError);
    if (portHandle == invalidHandle)
        return false;
    lowLatencyOutcome = requestLowLatency(descriptor(portHandle));
    return true;
}

bool SerialPort::saveTimeouts()
{
    termios settings{};
    const int fd = descriptor(portHandle);
    const int statusFlags = ::fcntl(fd, F_GETFL);
    if (statusFlags < 0 || !getAttributes(fd, settings)) {
        deviceError = lastErrnoError();
        return false;
    }
    savedTimeouts = {};
    savedTimeouts.values[savedVmin] = settings.c_cc[VMIN];
    savedTimeouts.values[savedVtime] = settings.c_cc[VTIME];
    savedTimeouts.values[savedStatusFlags] = static_cast<std::uint32_t>(statusFlags);
    return true;
}

bool SerialPort::applyTimeouts()
{
    termios settings{};
    const int fd = descriptor(portHandle);
    const int statusFlags = static_cast<int>(savedTimeouts.values[savedStatusFlags]);
    if (getAttributes(fd, settings)) {
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
        if (setAttributes(fd, settings) && ::fcntl(fd, F_SETFL, statusFlags | O_NONBLOCK) == 0)
            return true;
    }
    deviceError = lastErrnoError();
    return false;
}

SerialPort::LineSettings SerialPort::applyLineSettings()
{
    termios settings{};
    const int fd = descriptor(portHandle);
    if (!getAttributes(fd, settings)) {
        deviceError = lastErrnoError();
        return LineSettings::ReadFailed;
    }
    speed_t speed{};
    if (!speedFor(baudRate, speed)) {
        deviceError = errnoError(EINVAL);
        return LineSettings::WriteFailed;
    }
    makeRaw(settings);
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0 ||
        !setAttributes(fd, settings)) {
        deviceError = lastErrnoError();
        return LineSettings::WriteFailed;
    }
    if (!lineSettingsTook(fd, speed)) {
        // The driver accepted the call but not the settings that matter.
        deviceError = errnoError(EINVAL);
        return LineSettings::WriteFailed;
    }
    return LineSettings::Applied;
}

bool SerialPort::restoreTimeouts()
{
    termios settings{};
    const int fd = descriptor(portHandle);
    const int statusFlags = static_cast<int>(savedTimeouts.values[savedStatusFlags]);
    if (getAttributes(fd, settings)) {
        settings.c_cc[VMIN] = static_cast<cc_t>(savedTimeouts.values[savedVmin]);
        settings.c_cc[VTIME] = static_cast<cc_t>(savedTimeouts.values[savedVtime]);
        if (setAttributes(fd, settings) && ::fcntl(fd, F_SETFL, statusFlags) == 0)
            return true;
    }
    deviceError = lastErrnoError();
    return false;
}

bool SerialPort::releaseDevice()
{
    const int fd = descriptor(portHandle);
    restoreLowLatency(fd, lowLatencyOutcome);
    // Whatever is still queued now is what the line did not take within the
    // time-out, and that failure is reported: drop it, or close would wait for
    // it as long as the driver pleases. After a drain that emptied the queue
    // nothing is flushed: on a pseudo-terminal that would throw away bytes
    // that the other side has not read yet.
    int queued = 0;
    if (outputQueue().queued(fd, queued) || queued > 0)
        outputQueue().discard(fd);
    // The exclusive flag belongs to the terminal, not to this descriptor: clear
    // it, or it outlives us while anyone else keeps the terminal open.
    ::ioctl(fd, TIOCNXCL);
    // On Linux the descriptor is gone even when close reports an error, so it
    // must never be closed a second time.
    portHandle = invalidHandle;
    if (::close(fd) == 0)
        return true;
    deviceError = lastErrnoError();
    return false;
}

int SerialPort::readAvailable(std::uint8_t* into, int capacity)
{
    const int fd = descriptor(portHandle);
    const ssize_t got = ::read(fd, into, static_cast<std::size_t>(capacity));
    if (got > 0)
        return static_cast<int>(got);
    if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        deviceError = lastErrnoError();
        return -1;
    }
    // A hung-up terminal (an adapter pulled out) keeps reporting input that reads as nothing.
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 0) < 0) {
        if (errno == EINTR)
            return 0;
        deviceError = lastErrnoError();
        return -1;
    }
    if ((entry.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0)
        return 0;
    deviceError = errnoError((entry.revents & POLLNVAL) != 0 ? EBADF : EIO);
    return -1;
}

bool SerialPort::waitForInput(int milliseconds)
{
    pollfd entry{descriptor(portHandle), POLLIN, 0};
    // A failed poll counts as something to look at: the read tells what is wrong.
    return ::poll(&entry, 1, milliseconds) != 0;
}

void SerialPort::sleepBriefly(std::chrono::nanoseconds duration)
{
    std::this_thread::sleep_for(duration);
}

bool SerialPort::writeBytes(const std::uint8_t* bytes, std::int32_t count, std::int32_t& sent)
{
    const int fd = descriptor(portHandle);
    const auto deadline = outputDeadline(timeout);
    sent = 0;
    while (sent < count) {
        const ssize_t written = ::write(fd, bytes + sent, static_cast<std::size_t>(count - sent));
        if (written > 0) {
            sent += static_cast<std::int32_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            IdleTicker::tick();
            if (!waitForRoom(fd, deadline, deviceError))
                return false;
            continue;
        }
        deviceError = written < 0 ? lastErrnoError() : errnoError(EIO);
        return false;
    }
    // No drain here: the transmit purge that ends every frame drains instead.
    return true;
}

// The bytes before a purge are always our own frame, and none may be lost: so
// wait until they have gone out instead of discarding them. After that a
// TCOFLUSH would find nothing on a real port, and on a pseudo-terminal it would
// throw away bytes that the other side has not read yet.
bool SerialPort::purgeDeviceTransmit()
{
    return drainBefore(descriptor(portHandle), outputDeadline(timeout), deviceError);
}

bool SerialPort::purgeDeviceReceive()
{
    if (::tcflush(descriptor(portHandle), TCIFLUSH) == 0)
        return true;
    deviceError = lastErrnoError();
    return false;
}

bool SerialPort::drainForRelease() { return purgeDeviceTransmit(); }
