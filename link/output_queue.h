#pragma once

// POSIX only: the written bytes that the serial driver still holds unsent,
// through an interface so that a test can play a line that drains slowly or
// not at all. A pseudo-terminal always reports an empty queue.

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

// The queue in use: the driver's own (TIOCOUTQ, TCOFLUSH) by default.
OutputQueue& outputQueue();

// Puts another queue in use for its own lifetime.
class ScopedOutputQueue {
public:
    explicit ScopedOutputQueue(OutputQueue& queue);
    ~ScopedOutputQueue();
    ScopedOutputQueue(const ScopedOutputQueue&) = delete;
    ScopedOutputQueue& operator=(const ScopedOutputQueue&) = delete;

private:
    OutputQueue* previous;
};
