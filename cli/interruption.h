#pragma once

#include "common/general_exception.h"

#include <string>

// A request to stop the run from outside: Ctrl-C, a closed terminal, a
// termination request. The handlers only note it; the run stops at the next
// point where the core waits for the line, and ends like any other failure, so
// that the port is released and the service record written.
class InterruptedException : public GeneralException {
public:
    explicit InterruptedException(const std::string& requestName);
    FailureKind kind() const noexcept override { return FailureKind::Interrupted; }
    const std::string& request() const { return requestName; }

private:
    std::string requestName;
};

namespace interruption {

// Notes SIGINT, SIGTERM and SIGHUP (Ctrl-C, Ctrl-Break and the console's close
// on Windows) instead of ending the process, and keeps a closed output pipe
// from ending it: output that cannot be written is then simply lost.
void install();

// Notes a request by its name ("SIGINT"); safe to call from a signal handler.
void request(int signalNumber);
bool requested();
void clear();

// Raises InterruptedException once a request was noted.
void throwIfRequested();

// The noted request's number, 0 when none; and its name ("SIGINT", "SIGTERM",
// "SIGHUP"; Windows' console events are named after the signal they stand for).
int requestNumber();
std::string requestName();

} // namespace interruption
