#include "cli/run_outcome.h"

#include "image/builtin_image.h"

#include <algorithm>

RunOutcome::RunOutcome(Command runCommand, std::string typedPort)
    : command(runCommand),
      portArgument(std::move(typedPort)),
      imageLength(builtinFirmwareLength),
      imageSha256(builtinFirmwareSha256),
      imageIsStandIn(builtinFirmwareIsStandIn)
{
}

void RunOutcome::phaseStarted(RunStep phase)
{
    steps.beginPhase(phase);
    if (steps.current() != RunStep::Program)
        return;
    if (phase == RunStep::Erase || phase == RunStep::Write)
        reach(InstrumentState::ErasedOrPartlyWritten);
    else if (phase == RunStep::ReadBack || phase == RunStep::Compare)
        reach(InstrumentState::WrittenNotVerified);
}

void RunOutcome::failStep(std::string message, const std::string& cause)
{
    failure = RunFailure{.message = std::move(message),
                         .cause = cause,
                         .step = steps.current(),
                         .phase = steps.currentPhase()};
    steps.fail(cause);
}

void RunOutcome::reach(InstrumentState state)
{
    reached = std::max(reached, state);
}

void RunOutcome::passVerification()
{
    verification = Verification::Passed;
    reach(InstrumentState::Updated);
}

const std::string& RunOutcome::advise(NextStep leastStep)
{
    advice = instrumentAdvice(reached, leastStep, portArgument);
    return *advice;
}
