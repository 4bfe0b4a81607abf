#include "ports/serial_driver.h"

#include "common/system_error.h"

#include <cerrno>

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

// ASYNC_LOW_LATENCY is among the flags an unprivileged user may change; the
// FTDI driver answers it by setting its latency timer to 1 ms.
class DriverFlags final : public SerialDriverFlags {
public:
    std::error_code readLowLatency(int fd, bool& on) override
    {
        serial_struct settings{};
        if (::ioctl(fd, TIOCGSERIAL, &settings) != 0)
            return lastErrnoError();
        on = (settings.flags & ASYNC_LOW_LATENCY) != 0;
        return {};
    }

    std::error_code writeLowLatency(int fd, bool on) override
    {
        serial_struct settings{};
        if (::ioctl(fd, TIOCGSERIAL, &settings) != 0)
            return lastErrnoError();
        if (on)
            settings.flags |= ASYNC_LOW_LATENCY;
        else
            settings.flags &= ~ASYNC_LOW_LATENCY;
        if (::ioctl(fd, TIOCSSERIAL, &settings) != 0)
            return lastErrnoError();
        return {};
    }
};

LowLatencyOutcome refused(std::error_code reason)
{
    return {LowLatencyOutcome::State::Refused, reason};
}

} // namespace

template <>
SerialDriverFlags& Seam<SerialDriverFlags>::real()
{
    static DriverFlags flags;
    return flags;
}

LowLatencyOutcome requestLowLatency(int fd)
{
    SerialDriverFlags& flags = serialDriverFlags();
    bool on = false;
    if (const std::error_code error = flags.readLowLatency(fd, on))
        return refused(error);
    if (on)
        return {LowLatencyOutcome::State::AlreadyOn, {}};
    if (const std::error_code error = flags.writeLowLatency(fd, true))
        return refused(error);
    // Some drivers accept the call and ignore the flag.
    if (const std::error_code error = flags.readLowLatency(fd, on); error || !on)
        return refused(error ? error : std::make_error_code(std::errc::operation_not_supported));
    return {LowLatencyOutcome::State::Granted, {}};
}

void restoreLowLatency(int fd, const LowLatencyOutcome& outcome)
{
    if (outcome.state == LowLatencyOutcome::State::Granted)
        serialDriverFlags().writeLowLatency(fd, false);
}
