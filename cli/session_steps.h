#pragma once

#include "cli/exit_codes.h"

class SerialPort;
struct RunContext;

// The session's steps on the run's open port, into the outcome and onto the
// console.

// Catches the bootloader, checks its identifier and reads the versions, as
// the window's connect does, and the signature when the identifier matches.
// A foreign signature raises; a foreign identifier returns false.
bool catchBootloader(RunContext& run, SerialPort& channel);

// Ends a run whose instrument answered with a foreign identifier.
ExitCode endWithForeignIdentifier(RunContext& run);

// Reads the versions and the signature of an instrument that already waits in
// its bootloader: what the outcome and the overwrite question need before the
// job runs. A foreign signature raises.
void readWaitingInstrument(RunContext& run, SerialPort& channel);
