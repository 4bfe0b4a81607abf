#pragma once

#include "cli/arguments.h"
#include "cli/command_line.h"

// Runs one command that talks to the instrument, from the port argument to
// the service record, and returns the process's exit code.
int runInstrumentCommand(const Arguments& arguments, Console& console);
