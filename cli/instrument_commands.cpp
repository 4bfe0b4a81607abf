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

void runJob(RunContext& run, RunStep step, JobInfo job, SerialPort& channel)
{
    run.beginStep(step);
    run.console.progress().beginStep();
    job.runJob(channel);
    run.outcome.passVerification();
    run.endStep();
}

// False when the overwrite was declined.
bool program(RunContext& run, SerialPort& channel, bool afterConnect)
{
    if (!afterConnect)
        readWaitingInstrument(run, channel);
    if (!confirmOverwrite(run))
        return false;
    runJob(run, RunStep::Program, JobInfo{}, channel);
    return true;
}

void verify(RunContext& run, SerialPort& channel)
{
    readWaitingInstrument(run, channel);
    JobInfo job;
    job.chipErase = false;
    job.flashProgram = false;
    runJob(run, RunStep::Verify, job, channel);
}

// connect, program and verify leave the instrument in its bootloader, and say so.
ExitCode endWaiting(RunContext& run, ExitCode code)
{
    run.console.showWaiting(run.outcome.advise());
    return code;
}

ExitCode connect(RunContext& run, SerialPort& channel)
{
    if (!catchBootloader(run, channel))
        return endWithForeignIdentifier(run);
    run.outcome.advice = "VELTOR чекає в режимі програмування: далі veltor-update program " +
                         run.outcome.portArgument +
                         ". Щоб вивести його з режиму програмування без запису, вимкніть і ввімкніть VELTOR.";
    run.console.showWaiting(*run.outcome.advice);
    return ExitCode::Success;
}

// The leave command has gone out only once the close has seen it leave the
// port, so the close is part of this step.
void leave(RunContext& run, SerialPort& channel)
{
    run.beginStep(RunStep::Leave);
    session::leaveProgramming(channel);
    channel.closePort();
    run.endStep();
    run.console.showLeft();
}

// Connects, programs and leaves on the one opening of the port. After a
// declined overwrite the leave command still goes, so that the instrument
// returns to its present firmware.
ExitCode update(RunContext& run, SerialPort& channel)
{
    if (!catchBootloader(run, channel))
        return endWithForeignIdentifier(run);
    const bool programmed = program(run, channel, true);
    leave(run, channel);
    if (!programmed)
        return ExitCode::Declined;
    run.console.showUpdated();
    return ExitCode::Success;
}

// The step that opens the port: the handshake where the command catches the
// bootloader, otherwise the first thing the command asks of it.
RunStep firstStep(Command command)
{
    switch (command) {
    case Command::Connect:
    case Command::Update:
        return RunStep::Handshake;
    case Command::Leave:
        return RunStep::Leave;
    default:
        return RunStep::Versions;
    }
}

ExitCode stepsOnPort(RunContext& run, Command command, SerialPort& channel)
{
    switch (command) {
    case Command::Connect:
        return connect(run, channel);
    case Command::Program:
        return endWaiting(run, program(run, channel, false) ? ExitCode::Success : ExitCode::Declined);
    case Command::Verify:
        verify(run, channel);
        return endWaiting(run, ExitCode::Success);
    case Command::Leave:
        leave(run, channel);
        return ExitCode::Success;
    case Command::Update:
        return update(run, channel);
    case Command::Ports:
        break;
    }
    return ExitCode::OtherFailure;
}

} // namespace

ExitCode runCommandSteps(RunContext& run)
{
    const Command command = *run.arguments.command;
    // The command's one opening of the port. Its first step begins before the
    // opening, so that a port that fails is that step's failure.
    SerialPort channel(run.port, session::portTimeoutSeconds);
    run.beginStep(firstStep(command));
    channel.openPort();
    const ExitCode code = stepsOnPort(run, command, channel);
    // Closed here, not by the destructor, so that a failure to close reaches the run.
    channel.closePort();
    return code;
}
