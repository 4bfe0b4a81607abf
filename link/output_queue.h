#pragma once

// POSIX only: the written bytes that the serial driver still holds unsent,
// through an interface so that a test can play a line that drains slowly or
// not at all. A pseudo-terminal always reports an empty queue.

#include "common/seam.h"

#include <system_error>

class OutputQueue {
public:
    OutputQueue() = default;
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;
    virtual ~OutputQueue() = default;

    // The count in 'bytes', or the operating system's error.
    virtual std::error_code queued(int fd, int& bytes) = 0;
    // Drops them.
    virtual void discard(int fd) = 0;
};

template <>
OutputQueue& Seam<OutputQueue>::real();

// The queue in use: the driver's own (TIOCOUTQ, TCOFLUSH) unless a
// ScopedOutputQueue says otherwise.
inline OutputQueue& outputQueue()
{
    return Seam<OutputQueue>::get();
}

using ScopedOutputQueue = Seam<OutputQueue>::Scoped;
