#pragma once

#include "cli/exit_codes.h"
#include "common/general_exception.h"

struct RunContext;
struct RunOutcome;

// What a failure of the kind tells a calling script.
ExitCode exitCodeFor(FailureKind kind);

// Ends a run that failed: the step under way is recorded as failed, the
// console tells the failure with the hints its kind has and the advice by how
// far the run got, and the outcome keeps what its kind adds. Returns the exit
// code.
ExitCode endWithFailure(const GeneralException& failure, RunContext& run);

// An update that ended before its leave step has it in the record as skipped.
void noteLeaveNotSent(RunOutcome& outcome);
