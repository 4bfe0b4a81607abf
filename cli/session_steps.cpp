#include "cli/session_steps.h"

#include "cli/latency_hint.h"
#include "cli/run_context.h"
#include "cli/run_failure.h"
#include "link/serial_port.h"
#include "session/instrument_session.h"
#include "session/session_texts.h"

#include <cstdio>

namespace {

// The identifier's bytes as text, those that are not printable ASCII as \xNN.
std::string printable(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            text += escape;
        }
    }
    return text;
}

std::string mismatchDetail(const std::string& identifier)
{
    return "Ідентифікатор \"" + printable(identifier) + "\" замість \"" + session::expectedIdentifier + "\"";
}

// Follows the session's steps into the outcome and onto the console.
class SessionSteps final : public session::StepObserver {
public:
    explicit SessionSteps(RunContext& context) : run(context) {}

    void started(RunStep step, const session::Connection&) override
    {
        run.beginStep(step);
        if (step == RunStep::Handshake)
            run.console.promptSwitchOn();
    }

    // The signature step ends with the check of the chip, after the session.
    void finished(RunStep step, const session::Connection& sofar) override
    {
        if (step != RunStep::Signature)
            run.endStep();
        if (step == RunStep::Handshake)
            noteIdentifier(*sofar.identifier, sofar.matched);
        else if (step == RunStep::Versions)
            noteVersions(*sofar.versions);
        else if (step == RunStep::Signature)
            noteSignature(sofar.signature);
    }

private:
    void noteIdentifier(const std::string& identifier, bool matched)
    {
        run.outcome.identifier = identifier;
        run.outcome.steps.add(RunStep::Identifier, matched ? StepResult::Ok : StepResult::Failed,
                              matched ? "" : mismatchDetail(identifier));
        run.outcome.reach(InstrumentState::WaitingUnchanged);
        run.console.showIdentifier(matched);
    }

    // An answer to a query shows that the bootloader is waiting.
    void noteVersions(const session::Versions& versions)
    {
        run.outcome.versions = versions;
        run.outcome.reach(InstrumentState::WaitingUnchanged);
        const Command command = run.outcome.command;
        run.console.showVersions(versions, command == Command::Program || command == Command::Update);
    }

    void noteSignature(const std::optional<session::Signature>& signature)
    {
        run.outcome.signature = signature;
        if (signature)
            run.console.showSignature(*signature, session::targetSignature());
    }

    RunContext& run;
};

// Into the outcome always; one line of advice when an adapter holds the replies back.
void noteReplyTime(RunContext& run, const session::Connection& connection, const SerialPort& channel)
{
    if (!connection.replyTime)
        return;
    const ReplyTime& time = *connection.replyTime;
    const std::string hint = latencyHint(time, run.port, channel.lowLatency());
    run.outcome.replyTime = ReplyTimeEntry{static_cast<double>(time.measured.count()) / 1000.0,
                                            static_cast<double>(time.line.count()) / 1000.0, time.roundTrips,
                                            !hint.empty(), lowLatencyText(channel.lowLatency())};
    if (!hint.empty())
        run.console.tell(hint);
}

// The signature step, if the session took it, ends here: a chip that the
// image is not for fails it.
void checkSignature(RunContext& run, const session::Connection& connection)
{
    if (run.outcome.steps.current() != RunStep::Signature)
        return;
    if (connection.signature)
        session::requireTargetSignature(*connection.signature);
    run.endStep();
}

} // namespace

bool catchBootloader(RunContext& run, SerialPort& channel)
{
    SessionSteps steps(run);
    const session::Connection connection =
        session::connect(channel, {.readSignature = true, .observer = &steps});
    noteReplyTime(run, connection, channel);
    checkSignature(run, connection);
    return connection.matched;
}

ExitCode endWithForeignIdentifier(RunContext& run)
{
    const std::string detail = mismatchDetail(run.outcome.identifier.value_or(""));
    run.console.tell(detail);
    run.console.tell(run.outcome.advise());
    run.outcome.failure = RunFailure{.message = session::notConnectedText, .cause = detail};
    noteLeaveNotSent(run.outcome);
    return ExitCode::NotAnswering;
}

void readWaitingInstrument(RunContext& run, SerialPort& channel)
{
    SessionSteps steps(run);
    const session::Connection connection = session::inspectWaiting(channel, &steps);
    noteReplyTime(run, connection, channel);
    checkSignature(run, connection);
}
