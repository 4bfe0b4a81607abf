#include "cli/instrument_commands.h"

#include "cli/overwrite_question.h"
#include "cli/run_context.h"
#include "cli/session_steps.h"
#include "job/job_info.h"
#include "link/serial_port.h"
#include "session/instrument_session.h"

namespace {

bool confirmOverwrite(RunContext& run)
{
    const std::int32_t previous = run.outcome.versions ? run.outcome.versions->firmware : 0;
    if (!session::overwriteNeedsConfirmation(previous))
        return true;
    switch (askOverwrite(run.console.streams(), previous, run.arguments.assumeYes)) {
    case OverwriteAnswer::YesByOption:
        run.outcome.steps.add(RunStep::Confirmation, StepResult::Ok, "--yes");
        return true;
    case OverwriteAnswer::NoTerminal:
        run.outcome.steps.add(RunStep::Confirmation, StepResult::Declined, "немає термінала для відповіді");
        return false;
    case OverwriteAnswer::Yes:
        run.outcome.steps.add(RunStep::Confirmation, StepResult::Ok);
        return true;
    case OverwriteAnswer::No:
        run.outcome.steps.add(RunStep::Confirmation, StepResult::Declined);
        return false;
    }
    return false;
}

void runJob(RunContext& run, RunStep step, JobInfo job)
{
    run.beginStep(step);
    run.console.progress().beginStep();
    job.runJob(run.port.number);
    run.outcome.passVerification();
    run.endStep();
}

// False when the overwrite was declined.
bool program(RunContext& run, bool afterConnect)
{
    if (!afterConnect)
        readWaitingInstrument(run);
    if (!confirmOverwrite(run))
        return false;
    runJob(run, RunStep::Program, JobInfo{});
    return true;
}

void verify(RunContext& run)
{
    readWaitingInstrument(run);
    JobInfo job;
    job.chipErase = false;
    job.flashProgram = false;
    runJob(run, RunStep::Verify, job);
}

// connect, program and verify leave the instrument in its bootloader, and say so.
ExitCode endWaiting(RunContext& run, ExitCode code)
{
    run.console.showWaiting(run.outcome.advise());
    return code;
}

ExitCode connect(RunContext& run)
{
    if (!catchBootloader(run))
        return endWithForeignIdentifier(run);
    run.outcome.advice = "VELTOR чекає в режимі програмування: далі veltor-update program " +
                         run.outcome.portArgument +
                         ". Щоб вивести його з режиму програмування без запису, вимкніть і ввімкніть VELTOR.";
    run.console.showWaiting(*run.outcome.advice);
    return ExitCode::Success;
}

void leave(RunContext& run)
{
    run.beginStep(RunStep::Leave);
    SerialPort channel(run.port.number, session::portTimeoutSeconds);
    channel.openPort();
    session::leaveProgramming(channel);
    channel.closePort();
    run.endStep();
    run.console.showLeft();
}

// After a declined overwrite the leave command still goes, so that the
// instrument returns to its present firmware.
ExitCode update(RunContext& run)
{
    if (!catchBootloader(run))
        return endWithForeignIdentifier(run);
    const bool programmed = program(run, true);
    leave(run);
    if (!programmed)
        return ExitCode::Declined;
    run.console.showUpdated();
    return ExitCode::Success;
}

} // namespace

ExitCode runCommandSteps(RunContext& run)
{
    switch (*run.arguments.command) {
    case Command::Connect:
        return connect(run);
    case Command::Program:
        return endWaiting(run, program(run, false) ? ExitCode::Success : ExitCode::Declined);
    case Command::Verify:
        verify(run);
        return endWaiting(run, ExitCode::Success);
    case Command::Leave:
        leave(run);
        return ExitCode::Success;
    case Command::Update:
        return update(run);
    case Command::Ports:
        break;
    }
    return ExitCode::OtherFailure;
}
