#pragma once

// POSIX only: the serial driver's flags behind an open terminal descriptor,
// through an interface so that a test can watch the requests that a
// pseudo-terminal would refuse.

#include "common/seam.h"
#include "ports/low_latency.h"

#include <system_error>

class SerialDriverFlags {
public:
    SerialDriverFlags() = default;
    SerialDriverFlags(const SerialDriverFlags&) = delete;
    SerialDriverFlags& operator=(const SerialDriverFlags&) = delete;
    virtual ~SerialDriverFlags() = default;

    // Each returns the operating system's error, or none on success.
    virtual std::error_code readLowLatency(int fd, bool& on) = 0;
    virtual std::error_code writeLowLatency(int fd, bool on) = 0;
};

template <>
SerialDriverFlags& Seam<SerialDriverFlags>::real();

// The flags in use: the driver's own (TIOCGSERIAL, TIOCSSERIAL) unless a
// ScopedSerialDriverFlags says otherwise.
inline SerialDriverFlags& serialDriverFlags()
{
    return Seam<SerialDriverFlags>::get();
}

using ScopedSerialDriverFlags = Seam<SerialDriverFlags>::Scoped;

// Asks for low latency on a port just opened. A refusal changes nothing else:
// the port works as before, only slower on an adapter that holds replies.
LowLatencyOutcome requestLowLatency(int fd);

// Before close: clears the flag again where requestLowLatency set it. Never throws.
void restoreLowLatency(int fd, const LowLatencyOutcome& outcome);
