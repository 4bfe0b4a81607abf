#pragma once

#include "cli/exit_codes.h"

struct RunContext;

// The steps of the run's command (connect, program, verify, leave, update) on
// one opening of its chosen port. A failure raises; a foreign identifier and a
// declined overwrite end with their exit codes.
ExitCode runCommandSteps(RunContext& run);
