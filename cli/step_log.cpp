#include "cli/step_log.h"

#include <algorithm>

void StepLog::begin(RunStep next)
{
    step = next;
    phase.reset();
}

void StepLog::beginPhase(RunStep next)
{
    phase = next;
}

void StepLog::succeed()
{
    if (step)
        add(*step, StepResult::Ok);
    drop();
}

void StepLog::fail(const std::string& cause)
{
    if (step)
        add(*step, StepResult::Failed, cause);
    drop();
}

void StepLog::drop()
{
    step.reset();
    phase.reset();
}

void StepLog::add(RunStep entryStep, StepResult result, std::string detail)
{
    done.push_back({entryStep, result, std::move(detail)});
}

bool StepLog::took(RunStep entryStep) const
{
    return std::any_of(done.begin(), done.end(), [entryStep](const Entry& entry) { return entry.step == entryStep; });
}
