#pragma once

#include "cli/arguments.h"
#include "cli/interruption.h"
#include "cli/port_choice.h"
#include "cli/run_console.h"
#include "cli/run_outcome.h"

// What the steps of one run share: the command line, the port as the run
// resolved it, where the run is shown and where its outcome is kept.
struct RunContext {
    const Arguments& arguments;
    RunConsole& console;
    RunOutcome& outcome;
    ResolvedPort port;

    // A request to stop is noticed between steps too.
    void beginStep(RunStep step)
    {
        interruption::throwIfRequested();
        outcome.steps.begin(step);
    }

    void endStep()
    {
        console.progress().endStep(true);
        outcome.steps.succeed();
    }
};
