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

// How far an interrupted run had got with the instrument.
enum class InstrumentState {
    Untouched,            // nothing was sent, or only questions
    WaitingUnchanged,     // caught in its bootloader, flash not touched
    ErasedOrPartlyWritten,
    WrittenNotVerified,   // the whole image went in, the read-back did not end
    Updated,              // written and verified; only the leave command may be missing
};

// What follows "Перервано (SIGINT): " in the one console line that tells the
// technician the instrument's state and what to do now.
std::string interruptionAdvice(InstrumentState state, const std::string& portArgument);
