#pragma once

#include <string>

// How far a run got with the instrument, from nothing sent to written and
// verified. The order is the order a run goes through them.
enum class InstrumentState {
    Untouched,            // not caught: nothing was sent, or only the probe
    WaitingUnchanged,     // caught in its bootloader, flash not touched
    ErasedOrPartlyWritten,
    WrittenNotVerified,   // the whole image went in, the verification did not pass
    Updated,              // written and verified; only the leave command may be missing
};

// What the technician does next, from the least to the most.
enum class NextStep {
    None,
    SwitchOffAndOn,       // gets the instrument out of its bootloader
    UpdateFromOff,        // switch off, run update, switch on: the bootloader catches it afresh
};

// The instrument's state in the service record: "untouched", "erased or partly written", ...
const char* instrumentStateName(InstrumentState state);

// Two sentences in one line: what state the instrument is in and the one
// step to take now, at least 'leastStep' (a failure may call for more than
// the state does). Every failure and interruption ends with it, on the
// console and in the record, as do program and verify, which leave the
// instrument in its bootloader.
std::string instrumentAdvice(InstrumentState state, NextStep leastStep, const std::string& portArgument);
