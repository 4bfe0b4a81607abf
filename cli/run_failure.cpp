#include "cli/run_failure.h"

#include "cli/platform.h"
#include "cli/run_context.h"
#include "cli/service_record.h"
#include "link/line_error.h"
#include "ports/port_holders.h"
#include "session/instrument_session.h"
#include "session/session_texts.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Hints = std::vector<std::string>;

// Where the core's message goes besides the message shown.
enum class CauseLine {
    Shown,       // on a line of its own, "Причина: ...", where the message shown is another
    InMessage,   // the message is the cause, and the advice follows it on the same line
    InHints,     // the hints tell it better than the core's words
};

// How a run ends for each kind of failure.
struct FailureTreatment {
    FailureKind kind;
    ExitCode exitCode;
    CauseLine cause;
    // The least that the advice asks of the technician, whatever the state.
    NextStep leastStep;
    // Lines after the message; none where null.
    Hints (*hints)(const std::error_code& osError, const RunOutcome& outcome);
    // What the outcome keeps of the failure beyond its messages; nothing where null.
    void (*keep)(const GeneralException& failure, RunOutcome& outcome);
};

// What the line did to a read, for a technician: the usual causes are the
// cable, its ground and a speed that differs at the two ends.
std::string lineErrorHint(const std::string& devicePath, const std::error_code& cause)
{
    const char* what = "помилка на лінії";
    switch (static_cast<LineError>(cause.value())) {
    case LineError::breakReceived: what = "розрив лінії (break)"; break;
    case LineError::framing: what = "помилка кадру (framing error)"; break;
    case LineError::parity: what = "помилка парності (parity error)"; break;
    case LineError::overrun: what = "переповнення приймача (overrun)"; break;
    case LineError::inputOverflow: what = "переповнення вхідного буфера (input buffer overflow)"; break;
    }
    return std::string("Лінія ") + devicePath + " зіпсувала прийом: " + what +
           ". Перевірте кабель, його екран і з'єднання землі, і що адаптер працює на 115200 біт/с.";
}

Hints portHints(const std::error_code& osError, const RunOutcome& outcome)
{
    Hints hints;
    const std::string hint =
        isLineError(osError) ? lineErrorHint(outcome.device, osError) : portAccessHint(outcome.device, osError);
    if (!hint.empty())
        hints.push_back(hint);
    if (const std::vector<PortHolder> holders = portHolders(outcome.device); !holders.empty())
        hints.push_back("Його тримає: " + holdersText(holders));
    return hints;
}

// program and verify expect the instrument to wait in its bootloader already;
// silence to their first questions most likely means it does not.
Hints waitingInstrumentHints(const std::error_code&, const RunOutcome& outcome)
{
    const bool expectsWaiting = outcome.command == Command::Program || outcome.command == Command::Verify;
    const std::optional<RunStep> step = outcome.failure->step;
    if (!expectsWaiting || (step != RunStep::Versions && step != RunStep::Signature))
        return {};
    return {"VELTOR не в режимі програмування? Спершу: veltor-update connect " + outcome.portArgument +
            " (і ввімкніть VELTOR)."};
}

// A chip of another kind: the one expected, by its signature and name.
Hints foreignChipHints(const std::error_code&, const RunOutcome& outcome)
{
    const session::Signature expected = session::targetSignature();
    if (!outcome.signature || *outcome.signature == expected)
        return {};
    return {"Очікується сигнатура " + signatureText(expected) + " (" + session::targetChipName + "), прочитано " +
            signatureText(*outcome.signature) + "."};
}

// The job's own words ask to try again; the address tells more.
Hints mismatchHints(const std::error_code&, const RunOutcome& outcome)
{
    char address[16];
    std::snprintf(address, sizeof address, "0x%05X", static_cast<unsigned>(outcome.firstMismatchAddress.value_or(0)));
    return {"Flash VELTOR відрізняється від вбудованої мікропрограми " + session::versionText(session::targetVersion) +
            ": перша розбіжність за адресою " + address + "."};
}

void keepLineError(const GeneralException& failure, RunOutcome& outcome)
{
    if (isLineError(failure.cause()))
        outcome.failure->lineError = failure.cause().message();
}

// Only a VerificationException is of the verification kind.
void keepMismatch(const GeneralException& failure, RunOutcome& outcome)
{
    outcome.verification = Verification::Failed;
    outcome.firstMismatchAddress = static_cast<const VerificationException&>(failure).address();
}

constexpr std::array<FailureTreatment, 7> treatments = {{
    {FailureKind::General, ExitCode::OtherFailure, CauseLine::Shown, NextStep::None, nullptr, nullptr},
    {FailureKind::Port, ExitCode::PortFailure, CauseLine::Shown, NextStep::None, portHints, keepLineError},
    {FailureKind::Timeout, ExitCode::NotAnswering, CauseLine::Shown, NextStep::None, waitingInstrumentHints, nullptr},
    {FailureKind::Reply, ExitCode::NotAnswering, CauseLine::Shown, NextStep::None, foreignChipHints, nullptr},
    {FailureKind::Verification, ExitCode::VerificationFailed, CauseLine::InHints, NextStep::UpdateFromOff,
     mismatchHints, keepMismatch},
    {FailureKind::ImageDamaged, ExitCode::ImageDamaged, CauseLine::Shown, NextStep::None, nullptr, nullptr},
    {FailureKind::Interrupted, ExitCode::Interrupted, CauseLine::InMessage, NextStep::None, nullptr, nullptr},
}};

static_assert(treatments.size() == static_cast<std::size_t>(FailureKind::Interrupted) + 1,
              "a row for every kind of failure");

const FailureTreatment& treatmentOf(FailureKind kind)
{
    for (const FailureTreatment& treatment : treatments)
        if (treatment.kind == kind)
            return treatment;
    return treatments.front();
}

// The window's Program shows its own text over the core's message, and the
// program and verify commands stand for it from their first step on; Connect
// and Leave show the core's message itself.
std::string shownMessage(const RunOutcome& outcome, const std::string& cause)
{
    const std::optional<RunStep>& step = outcome.steps.current();
    const bool programCommand = outcome.command == Command::Program || outcome.command == Command::Verify;
    const bool inProgram = step && (programCommand || step == RunStep::Program || step == RunStep::Verify);
    return inProgram ? session::programFailedText : cause;
}

} // namespace

ExitCode exitCodeFor(FailureKind kind)
{
    return treatmentOf(kind).exitCode;
}

ExitCode endWithFailure(const GeneralException& failure, RunContext& run)
{
    const FailureTreatment& treatment = treatmentOf(failure.kind());
    RunOutcome& outcome = run.outcome;
    const std::string cause = failure.message();
    const std::string& advice = outcome.advise(treatment.leastStep);
    const std::string shown =
        treatment.cause == CauseLine::InMessage ? cause + ". " + advice : shownMessage(outcome, cause);
    run.console.progress().endStep(false);
    outcome.failStep(shown, cause);
    if (treatment.keep)
        treatment.keep(failure, outcome);
    const Hints hints = treatment.hints ? treatment.hints(failure.cause(), outcome) : Hints{};
    run.console.tell(shown);
    if (treatment.cause == CauseLine::Shown && shown != cause)
        run.console.tell("Причина: " + cause);
    for (const std::string& hint : hints)
        run.console.tell(hint);
    if (treatment.cause != CauseLine::InMessage)
        run.console.tell(advice);
    noteLeaveNotSent(outcome);
    return treatment.exitCode;
}

void noteLeaveNotSent(RunOutcome& outcome)
{
    if (outcome.command == Command::Update && !outcome.steps.took(RunStep::Leave))
        outcome.steps.add(RunStep::Leave, StepResult::Skipped, "команду виходу з програмування не надіслано");
}
