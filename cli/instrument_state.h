#pragma once

#include <string>

// How far a run got with the instrument, from nothing sent to written and
// verified. The order is the order a run goes through them.
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
