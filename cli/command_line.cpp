#include "cli/command_line.h"

#include "cli/arguments.h"
#include "cli/console_frontend.h"
#include "cli/exit_codes.h"
#include "cli/latency_hint.h"
#include "cli/interruption.h"
#include "cli/platform.h"
#include "cli/port_choice.h"
#include "cli/record_file.h"
#include "cli/service_record.h"
#include "common/general_exception.h"
#include "image/builtin_image.h"
#include "job/job_info.h"
#include "link/line_error.h"
#include "link/serial_port.h"
#include "ports/adapter_info.h"
#include "ports/port_holders.h"
#include "ports/port_names.h"
#include "ports/port_table.h"
#include "session/instrument_session.h"
#include "session/session_texts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#ifndef VELTOR_TOOL_VERSION
#define VELTOR_TOOL_VERSION "?"
#endif

namespace {

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


using session::connectedText;
using session::notConnectedText;
using session::noPortChosenText;
using session::noPortsFoundText;
using session::portTimeoutSeconds;
using session::programFailedText;
using session::targetVersion;
using session::versionText;

// Step names of the service record.
const char* const handshakeStep = stepRecordName(RunStep::Handshake);
const char* const identifierStep = stepRecordName(RunStep::Identifier);
const char* const versionsStep = stepRecordName(RunStep::Versions);
const char* const signatureStep = stepRecordName(RunStep::Signature);
const char* const confirmationStep = stepRecordName(RunStep::Confirmation);
const char* const programStep = stepRecordName(RunStep::Program);
const char* const verifyStep = stepRecordName(RunStep::Verify);
const char* const leaveStep = stepRecordName(RunStep::Leave);

bool isYes(std::string answer)
{
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' '))
        answer.pop_back();
    for (const char* yes : {"y", "Y", "yes", "Yes", "YES", "т", "Т", "так", "Так", "ТАК"})
        if (answer == yes)
            return true;
    return false;
}

// The console's idle call, which is also where a request to stop is noticed:
// only where the core waits for the line between whole frames, never while a
// frame is going out, so that the bootloader is not left inside one.
class InterruptibleIdle final : public frontend::Idle {
public:
    explicit InterruptibleIdle(frontend::Idle& consoleIdle) : inner(consoleIdle) {}
    void whileWaiting() override
    {
        interruption::throwIfRequested();
        inner.whileWaiting();
    }
    void whileSending() override { inner.whileWaiting(); }

private:
    frontend::Idle& inner;
};

// One run of an instrument command, from the port argument to the service record.
class Run final : private session::StepObserver {
public:
    Run(const Arguments& parsedArguments, Console& runConsole)
        : arguments(parsedArguments),
          console(runConsole),
          progress(console.out, console.outIsTerminal),
          alerts(console.out, progress, console.beep),
          idle(progress),
          binding(&progress, &alerts, &idle)
    {
        record.command = std::string(commandName(*arguments.command));
        record.portArgument = arguments.port;
        record.imageLength = builtinFirmwareLength;
        record.imageSha256 = builtinFirmwareSha256;
        record.imageIsStandIn = builtinFirmwareIsStandIn;
    }

    int execute()
    {
        const auto started = std::chrono::steady_clock::now();
        record.startedAt = isoUtcTime(std::chrono::system_clock::now());
        ExitCode code = ExitCode::Success;
        try {
            code = runSteps();
        } catch (const GeneralException& failure) {
            code = reportFailure(failure, failure.message());
        } catch (const std::exception& failure) {
            code = reportFailure(failure, failure.what());
        }
        record.durationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (code == ExitCode::Success && interruption::requested())
            console.err << "Запит на переривання (" << interruption::requestName()
                        << ") надійшов, коли робота вже закінчувалась: її завершено.\n";
        record.exitCode = toInt(code);
        if (!arguments.reportFile.empty() && !reportRefused && !writeReport() && code == ExitCode::Success)
            code = ExitCode::OtherFailure;
        return toInt(code);
    }

private:
    ExitCode runSteps()
    {
        if (arguments.port.empty()) {
            console.err << noPortChosenText << '\n';
            record.failureMessage = noPortChosenText;
            return ExitCode::PortFailure;
        }
        port = choosePort(arguments.port);
        checkPortNumber(port.number);
        record.portNumber = port.number;
        record.device = port.device;
        if (!arguments.reportFile.empty()) {
            const std::string problem = recordPathProblem(arguments.reportFile, port.device);
            if (!problem.empty()) {
                console.err << problem << '\n';
                reportRefused = true;
                return ExitCode::UsageError;
            }
        }
        console.out << "Порт: COM" << port.number << " ("
                    << (port.device.empty() ? std::string("пристрою немає") : port.device) << ")\n";

        switch (*arguments.command) {
        case Command::Connect:
            return connect() ? ExitCode::Success : identifierMismatch();
        case Command::Program:
            return program(false);
        case Command::Verify:
            return verify();
        case Command::Leave:
            leave();
            return ExitCode::Success;
        case Command::Update:
            return update();
        case Command::Ports:
            break;
        }
        return ExitCode::OtherFailure;
    }

    // The serial link refuses a port outside COM1..COM10 with a plain
    // GeneralException; for a script that is a missing port like any other.
    static void checkPortNumber(std::int32_t number)
    {
        try {
            SerialPort unopened(number, portTimeoutSeconds);
        } catch (const PortException&) {
            throw;
        } catch (const GeneralException& refusal) {
            throw PortException(refusal.message());
        }
    }

    ExitCode update()
    {
        if (!connect())
            return identifierMismatch();
        const ExitCode programmed = program(true);
        if (programmed != ExitCode::Success && programmed != ExitCode::Declined)
            return programmed;
        leave();
        if (programmed == ExitCode::Success)
            console.out << "Оновлення завершено: мікропрограму " << versionText(targetVersion)
                        << " записано і перевірено.\n";
        return programmed;
    }

    // Catches the bootloader, checks its identifier and reads the versions, as
    // the window's connect does, and the signature when the identifier matches.
    bool connect()
    {
        SerialPort channel(port.number, portTimeoutSeconds);
        beginStep(handshakeStep);
        channel.openPort();
        const session::Connection connection =
            session::connect(channel, {.readSignature = true, .observer = this});
        channel.closePort();
        noteReplyTime(connection, channel);
        // A foreign chip ends connect as it would end programming.
        if (connection.signature) {
            beginStep(signatureStep);
            session::requireTargetSignature(*connection.signature);
            currentStep = nullptr;
        }
        return connection.matched;
    }

    void started(RunStep step, const session::Connection&) override
    {
        beginStep(stepRecordName(step));
        if (step == RunStep::Handshake) {
            console.out << "Увімкніть VELTOR (очікування до 6 с)...\n" << std::flush;
            progress.beginStep();
        }
    }

    void finished(RunStep step, const session::Connection& sofar) override
    {
        endStep();
        switch (step) {
        case RunStep::Handshake:
            showIdentifier(sofar);
            break;
        case RunStep::Versions:
            showVersions(*sofar.versions);
            break;
        case RunStep::Signature:
            showSignature(sofar.signature);
            break;
        default:
            break;
        }
    }

    void showIdentifier(const session::Connection& connection)
    {
        record.identifier = connection.identifier;
        const bool matched = connection.matched;
        record.addStep(identifierStep, matched ? "ok" : "failed",
                       matched ? "" : mismatchDetail(*connection.identifier));
        console.out << (matched ? connectedText : notConnectedText) << '\n';
    }

    ExitCode identifierMismatch()
    {
        const std::string detail = mismatchDetail(record.identifier.value_or(""));
        console.err << detail << '\n';
        record.failureMessage = notConnectedText;
        record.failureCause = detail;
        return ExitCode::NotAnswering;
    }

    static std::string mismatchDetail(const std::string& identifier)
    {
        return "Ідентифікатор \"" + printable(identifier) + "\" замість \"" + session::expectedIdentifier + "\"";
    }

    static std::string printable(const std::string& bytes)
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

    void showVersions(const session::Versions& versions)
    {
        record.softwareVersion = versions.software;
        record.firmwareVersion = versions.firmware;
        record.firmwareVersionAssumed = versions.firmwareAssumed;
        console.out << "Версія завантажувача: " << versionText(versions.software) << '\n'
                    << session::previousVersionCaption << ' '
                    << (versions.firmwareAssumed ? session::assumedFirmwareText : versionText(versions.firmware))
                    << '\n';
    }

    void showSignature(const std::optional<session::Signature>& signature)
    {
        record.signature = signature;
        if (signature)
            console.out << "Сигнатура: " << signatureText(*signature) << '\n';
    }

    // The instrument already waits in its bootloader; read what the record
    // needs (and the overwrite question) before the job runs.
    void readInstrument()
    {
        readingWaitingInstrument = true;
        SerialPort channel(port.number, portTimeoutSeconds);
        beginStep(versionsStep);
        channel.openPort();
        const session::Connection connection = session::inspectWaiting(channel, this);
        channel.closePort();
        readingWaitingInstrument = false;
        noteReplyTime(connection, channel);
    }

    // Into the record always; one line of advice when an adapter holds the replies back.
    void noteReplyTime(const session::Connection& connection, const SerialPort& channel)
    {
        if (!connection.replyTime)
            return;
        const ReplyTime& time = *connection.replyTime;
        const std::string hint = latencyHint(time, port.number, port.device, channel.lowLatency());
        record.replyTime = ServiceRecord::ReplyTime{static_cast<double>(time.measured.count()) / 1000.0,
                                                    static_cast<double>(time.line.count()) / 1000.0,
                                                    time.roundTrips, !hint.empty(),
                                                    lowLatencyText(channel.lowLatency())};
        if (!hint.empty())
            console.err << hint << '\n';
    }

    ExitCode program(bool afterConnect)
    {
        if (!afterConnect) {
            jobFailureText = programFailedText;
            readInstrument();
        }
        if (!confirmOverwrite())
            return ExitCode::Declined;
        jobFailureText = programFailedText;
        beginStep(programStep);
        progress.beginStep();
        JobInfo job;
        job.runJob(port.number);
        record.verification = "passed";
        endStep();
        return ExitCode::Success;
    }

    ExitCode verify()
    {
        jobFailureText = programFailedText;
        readInstrument();
        beginStep(verifyStep);
        progress.beginStep();
        JobInfo job;
        job.chipErase = false;
        job.flashProgram = false;
        job.runJob(port.number);
        record.verification = "passed";
        endStep();
        return ExitCode::Success;
    }

    void leave()
    {
        jobFailureText.clear();
        beginStep(leaveStep);
        SerialPort channel(port.number, portTimeoutSeconds);
        channel.openPort();
        session::leaveProgramming(channel);
        channel.closePort();
        endStep();
        console.out << "Вихід з програмування: команду надіслано.\n";
    }

    bool confirmOverwrite()
    {
        const std::int32_t previous = record.firmwareVersion.value_or(0);
        if (!session::overwriteNeedsConfirmation(previous))
            return true;
        console.out << session::overwriteQuestion(versionText(previous), versionText(targetVersion)) << '\n';
        if (arguments.assumeYes) {
            console.out << "Так (--yes)\n";
            record.addStep(confirmationStep, "ok", "--yes");
            return true;
        }
        if (!console.inIsTerminal) {
            console.out << "Немає термінала для відповіді: перезапис не підтверджено (див. --yes).\n";
            record.addStep(confirmationStep, "declined", "no terminal to answer");
            return false;
        }
        console.out << "Так/Ні [т/Н]: " << std::flush;
        std::string answer;
        std::getline(console.in, answer);
        interruption::throwIfRequested();
        const bool yes = isYes(answer);
        record.addStep(confirmationStep, yes ? "ok" : "declined");
        if (!yes)
            console.out << "Перезапис скасовано.\n";
        return yes;
    }

    void beginStep(const char* name)
    {
        interruption::throwIfRequested();
        currentStep = name;
    }

    void endStep()
    {
        progress.endStep(true);
        if (currentStep)
            record.addStep(currentStep, "ok");
        currentStep = nullptr;
    }

    ExitCode reportFailure(const std::exception& failure, const std::string& cause)
    {
        const bool interrupted = dynamic_cast<const InterruptedException*>(&failure) != nullptr;
        if (interrupted)
            jobFailureText = cause + ": " + interruptionAdvice(instrumentState(), arguments.port);
        if (const std::optional<RunStep>& phase = progress.currentPhase())
            record.failurePhase = stepRecordName(*phase);
        progress.endStep(false);
        if (currentStep)
            record.addStep(currentStep, "failed", cause);
        currentStep = nullptr;
        if (const auto* mismatch = dynamic_cast<const VerificationException*>(&failure)) {
            record.verification = "failed";
            record.firstMismatchAddress = mismatch->address();
        }
        const std::string shown = jobFailureText.empty() ? cause : jobFailureText;
        record.failureMessage = shown;
        record.failureCause = cause;
        console.err << shown << '\n';
        if (shown != cause && !interrupted)
            console.err << "Причина: " << cause << '\n';
        if (const auto* portFailure = dynamic_cast<const PortException*>(&failure)) {
            const std::error_code& error = portFailure->cause();
            if (isLineError(error))
                record.failureLineError = error.message();
            const std::string hint =
                isLineError(error) ? lineErrorHint(port.device, error) : portAccessHint(port.device, error);
            if (!hint.empty())
                console.err << hint << '\n';
            if (const std::vector<PortHolder> holders = portHolders(port.device); !holders.empty())
                console.err << "Його тримає: " << holdersText(holders) << '\n';
        }
        if (readingWaitingInstrument && dynamic_cast<const TimeoutException*>(&failure))
            console.err << "VELTOR не в режимі програмування? Спершу: veltor-update connect " << arguments.port
                        << " (і ввімкніть VELTOR).\n";
        if (*arguments.command == Command::Update && record.verification != "passed")
            record.addStep(leaveStep, "skipped", "the instrument stays in its bootloader for another attempt");
        return exitCodeFor(failure);
    }

    // How far the run had got with the instrument, for the advice after an interruption.
    InstrumentState instrumentState() const
    {
        if (record.verification == "passed")
            return InstrumentState::Updated;
        const std::optional<RunStep>& phase = progress.currentPhase();
        if (currentStep == programStep && phase) {
            switch (*phase) {
            case RunStep::Erase:
            case RunStep::Write:
                return InstrumentState::ErasedOrPartlyWritten;
            case RunStep::ReadBack:
            case RunStep::Compare:
                return InstrumentState::WrittenNotVerified;
            default:
                break;
            }
        }
        const Command command = *arguments.command;
        const bool caughtHere = command == Command::Connect || command == Command::Update;
        if (record.identifier || (!caughtHere && record.portNumber))
            return InstrumentState::WaitingUnchanged;
        return InstrumentState::Untouched;
    }

    bool writeReport()
    {
        std::string problem;
        if (writeRecordFile(arguments.reportFile, serviceRecordJson(record), problem))
            return true;
        console.err << problem << '\n';
        return false;
    }

    const Arguments& arguments;
    Console& console;
    ConsoleProgress progress;
    ConsoleAlerts alerts;
    InterruptibleIdle idle;
    frontend::Binding binding;
    PortChoice port;
    ServiceRecord record;
    const char* currentStep = nullptr;
    // Reading versions and signature from an instrument that should already
    // wait in its bootloader; silence then most likely means it does not.
    bool readingWaitingInstrument = false;
    // --report names a place where no record can go: none is written.
    bool reportRefused = false;
    // What the window shows when the job fails; empty where it shows the
    // core's message itself (connect, leave).
    std::string jobFailureText;
};

// COM1 to COM10 as the window's buttons offer them, and every port beyond
// them that the system lists.
std::vector<std::int32_t> portsToList()
{
    std::vector<std::int32_t> numbers = presentPortNumbers();
    for (std::int32_t n = firstPortNumber; n <= static_cast<std::int32_t>(portButtonCount); ++n)
        numbers.push_back(n);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

// Opens the port to tell whether it is free; says who holds it where the system can tell.
std::string portState(std::int32_t number, const std::string& device, bool& opened)
{
    try {
        SerialPort channel(number, portTimeoutSeconds);
        channel.openPort();
        channel.closePort();
        opened = true;
        return "вільний";
    } catch (const GeneralException& failure) {
        if (const std::vector<PortHolder> holders = portHolders(device); !holders.empty())
            return "зайнятий: " + holdersText(holders);
        if (heldByAnotherProgram(failure.cause()))
            return anotherProgramHoldsText();
        return "недоступний: " + failure.message();
    }
}

int listPorts(Console& console)
{
    const PortSurvey survey;
    const std::vector<std::int32_t> present = presentPortNumbers();
    bool anyOpened = false;
    for (const std::int32_t n : portsToList()) {
        const std::string device = portDevicePath(n);
        const bool absent = device.empty() || std::find(present.begin(), present.end(), n) == present.end();
        const std::string state = absent ? "немає пристрою" : portState(n, device, anyOpened);
        char name[8];
        std::snprintf(name, sizeof name, "COM%-3d", n);
        std::string shownDevice = device.empty() ? "-" : device;
        if (shownDevice.size() < 20)
            shownDevice.resize(20, ' ');
        console.out << name << ' ' << shownDevice << ' ' << state << '\n';
        // The stable name tells two adapters apart where the number may change.
        if (const std::optional<AdapterName> adapter = adapterName(device))
            console.out << "       " << adapter->stablePath << " (" << adapter->description << ")\n";
        if (const std::optional<AdapterDriver> driver = adapterDriver(device))
            console.out << "       " << adapterDriverText(*driver) << '\n';
    }
    if (!anyOpened) {
        console.err << noPortsFoundText << '\n';
        return toInt(ExitCode::PortFailure);
    }
    return toInt(ExitCode::Success);
}

} // namespace

int runCommandLine(const std::vector<std::string>& words, Console& console)
{
    const ParsedArguments parsed = parseArguments(words);
    if (!parsed.error.empty()) {
        console.err << "veltor-update: " << parsed.error << "\nДив. veltor-update --help\n";
        return toInt(ExitCode::UsageError);
    }
    const Arguments& arguments = parsed.arguments;
    if (arguments.version) {
        console.out << "veltor-update " << VELTOR_TOOL_VERSION << " (мікропрограма " << versionText(targetVersion)
                    << (builtinFirmwareIsStandIn ? ", тестова заміна" : "") << ")\n";
        return toInt(ExitCode::Success);
    }
    if (arguments.help || !arguments.command) {
        console.out << helpText(arguments.command);
        return toInt(arguments.help ? ExitCode::Success : ExitCode::UsageError);
    }
    if (*arguments.command == Command::Ports)
        return listPorts(console);
    if (builtinFirmwareIsStandIn)
        console.err << standInFirmwareWarning << '\n';
    Run run(arguments, console);
    return run.execute();
}
