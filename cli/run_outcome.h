#pragma once

#include "cli/arguments.h"
#include "cli/instrument_state.h"
#include "cli/step_log.h"
#include "session/instrument_session.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

enum class Verification { NotRun, Passed, Failed };

// The replies after the handshake, timed: a USB adapter that holds them back shows here.
struct ReplyTimeEntry {
    double measuredMs = 0;       // per round trip, as the tool saw it
    double lineMs = 0;           // what the line itself needs for it
    std::size_t roundTrips = 0;
    bool heldBack = false;       // clearly above the line's time: the hint was shown
    std::string lowLatency;      // the serial driver's low-latency flag: set, already set, refused: why; not asked
};

struct RunFailure {
    std::string message;                     // what the tool showed
    std::optional<std::string> cause{};      // the core's own message behind it
    std::optional<RunStep> step{};           // the step it came in
    std::optional<RunStep> phase{};          // the part of that step the core had announced
    std::optional<std::string> lineError{};  // what the line did to a read: break, framing error, ...
};

// What one run of an instrument command did: the steps it took and how each
// ended, what it found, how far it got with the instrument and, when it
// failed, why. The service record is written from it.
struct RunOutcome {
    // A run of the command on the port as typed, with the built-in image.
    RunOutcome(Command runCommand, std::string typedPort);

    // The core's announcement of a part of the step under way.
    void phaseStarted(RunStep phase);
    // The step under way, if any, failed: the failure as the tool showed it.
    void failStep(std::string message, const std::string& cause);
    // How far the run got only ever advances.
    void reach(InstrumentState state);
    void passVerification();
    // What the technician is told at the end of the run about the instrument
    // (instrumentAdvice by how far the run got), kept for the record.
    const std::string& advise(NextStep leastStep = NextStep::None);

    Command command;
    std::string startedAt;                       // UTC, ISO 8601
    double durationSeconds = 0;
    std::string portArgument;                    // as typed
    std::optional<std::int32_t> portNumber;      // n of COMn; none for a port chosen by its path
    std::string device;                          // the device behind the port, if known

    std::optional<std::string> identifier;
    std::optional<session::Versions> versions;
    std::optional<session::Signature> signature;
    std::optional<ReplyTimeEntry> replyTime;

    std::size_t imageLength = 0;
    std::string imageSha256;
    bool imageIsStandIn = false;                 // the repository's stand-in, not the firmware

    StepLog steps;
    Verification verification = Verification::NotRun;
    std::optional<std::uint32_t> firstMismatchAddress;
    InstrumentState reached = InstrumentState::Untouched;
    std::optional<std::string> advice;
    std::optional<RunFailure> failure;
    int exitCode = 0;
};
