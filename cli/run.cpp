#include "cli/run.h"

#include "cli/instrument_commands.h"
#include "cli/record_file.h"
#include "cli/run_context.h"
#include "cli/run_failure.h"
#include "cli/service_record.h"
#include "link/serial_port.h"
#include "session/session_texts.h"

#include <chrono>

namespace {

// The core's progress, notices and waits, bound for the run: progress goes to
// the console, and the parts of a step that the core announces also to the
// outcome. A request to stop is noticed where the core waits for the line
// between whole frames, never while a frame is going out, so that the
// bootloader is not left inside one.
class RunFrontend final : public frontend::Progress, public frontend::Idle {
public:
    RunFrontend(RunConsole& console, RunOutcome& runOutcome)
        : progress(console.progress()), outcome(runOutcome), binding(this, &console.alerts(), this)
    {
    }
    void setMaximum(int maximum) override { progress.setMaximum(maximum); }
    void setPosition(int position) override { progress.setPosition(position); }
    void beginPhase(RunStep phase) override
    {
        outcome.phaseStarted(phase);
        progress.beginPhase(phase);
    }
    void whileWaiting() override
    {
        interruption::throwIfRequested();
        progress.whileWaiting();
    }
    void whileSending() override { progress.whileWaiting(); }

private:
    ConsoleProgress& progress;
    RunOutcome& outcome;
    frontend::Binding binding;
};

// The serial link refuses a port outside COM1..COM10 with a plain
// GeneralException; for a script that is a missing port like any other.
void checkPortNumber(const ResolvedPort& port)
{
    try {
        SerialPort unopened(port, session::portTimeoutSeconds);
    } catch (const PortException&) {
        throw;
    } catch (const GeneralException& refusal) {
        throw PortException(refusal.message());
    }
}

bool writeReport(const std::string& path, const RunOutcome& outcome, RunConsole& console)
{
    std::string problem;
    if (writeRecordFile(path, serviceRecordJson(outcome), problem))
        return true;
    console.tell(problem);
    return false;
}

// One run of an instrument command, from the port argument to the service record.
class Run final {
public:
    Run(const Arguments& parsedArguments, Console& runConsole)
        : arguments(parsedArguments),
          console(runConsole),
          outcome(*arguments.command, arguments.port),
          frontend(console, outcome),
          context{arguments, console, outcome, {}}
    {
    }

    int execute();

private:
    ExitCode runSteps();

    const Arguments& arguments;
    RunConsole console;
    RunOutcome outcome;
    RunFrontend frontend;
    RunContext context;
    // --report names a place where no record can go: none is written.
    bool reportRefused = false;
};

int Run::execute()
{
    const auto started = std::chrono::steady_clock::now();
    outcome.startedAt = isoUtcTime(std::chrono::system_clock::now());
    ExitCode code = ExitCode::Success;
    try {
        code = runSteps();
    } catch (const GeneralException& failure) {
        code = endWithFailure(failure, context);
    } catch (const std::exception& failure) {
        // Anything the core did not raise itself (out of memory, ...) is a general failure.
        code = endWithFailure(GeneralException(failure.what()), context);
    }
    outcome.durationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (code == ExitCode::Success && interruption::requested())
        console.tell("Запит на переривання (" + interruption::requestName() +
                     ") надійшов, коли робота вже закінчувалась: її завершено.");
    outcome.exitCode = toInt(code);
    if (!arguments.reportFile.empty() && !reportRefused && !writeReport(arguments.reportFile, outcome, console) &&
        code == ExitCode::Success)
        code = ExitCode::OtherFailure;
    return toInt(code);
}

ExitCode Run::runSteps()
{
    if (arguments.port.empty()) {
        console.tell(session::noPortChosenText);
        outcome.failure = RunFailure{.message = session::noPortChosenText};
        return ExitCode::PortFailure;
    }
    context.port = choosePort(arguments.port);
    checkPortNumber(context.port);
    outcome.portNumber = context.port.number;
    outcome.device = context.port.device;
    if (!arguments.reportFile.empty()) {
        const std::string problem = recordPathProblem(arguments.reportFile, context.port.device);
        reportRefused = !problem.empty();
        if (reportRefused) {
            console.tell(problem);
            return ExitCode::UsageError;
        }
    }
    console.showPort(context.port);
    return runCommandSteps(context);
}

} // namespace

int runInstrumentCommand(const Arguments& arguments, Console& console)
{
    Run run(arguments, console);
    return run.execute();
}
