#pragma once

#include "common/run_step.h"
#include "link/round_trip_meter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CommChannel;

// What the front ends know of a session with the instrument's bootloader:
// catching it, telling its identifier and versions, sending it back to the
// firmware, and whether programming would overwrite a version as new as the
// built-in one. Results are plain values; showing them is the front end's part.
namespace session {

inline constexpr const char* expectedIdentifier = "AVRBOOT";
inline constexpr std::int32_t portTimeoutSeconds = 5;
// The built-in firmware's version, major × 100 + minor.
inline constexpr std::int32_t targetVersion = 358;
// A bootloader below this version cannot report the firmware version...
inline constexpr std::int32_t firstSoftwareWithFirmwareQuery = 210;
// ...which is then taken to be this one.
inline constexpr std::int32_t assumedFirmwareVersion = 300;
inline constexpr int leaveProgrammingCommand = 0x45; // 'E'
// The chip that the built-in image is for.
inline constexpr const char* targetChipName = "ATmega128";

struct Versions {
    std::int32_t software = 0;
    std::int32_t firmware = 0;      // read, or assumedFirmwareVersion
    bool firmwareAssumed = false;
};

using Signature = std::array<std::int32_t, 3>;

struct Connection {
    std::optional<std::string> identifier;   // as received, once the bootloader answered
    bool matched = false;                    // the identifier is expectedIdentifier
    std::optional<Versions> versions;
    std::optional<Signature> signature;      // when asked for and supported
    // The replies to the queries after the handshake, timed: an adapter that
    // holds them back shows here.
    std::optional<ReplyTime> replyTime;
};

// Told where each step of a session (handshake, versions, signature) starts
// and ends, with what it has found so far; a step that fails raises between
// the two.
class StepObserver {
public:
    virtual ~StepObserver() = default;
    virtual void started(RunStep step, const Connection& sofar) = 0;
    virtual void finished(RunStep step, const Connection& sofar) = 0;
};

struct ConnectOptions {
    // Also read the signature once the identifier matches.
    bool readSignature = false;
    StepObserver* observer = nullptr;
};

// Catches the bootloader on an open channel while the instrument is switched
// on, checks its identifier and reads the versions; the channel stays open.
Connection connect(CommChannel& channel, const ConnectOptions& options = {});

// Versions and signature of an instrument already waiting in its bootloader.
Connection inspectWaiting(CommChannel& channel, StepObserver* observer = nullptr);

// The software version and, where the bootloader can tell, the firmware version.
Versions readVersions(CommChannel& channel);

// The signature of the chip that the built-in image is for: 1E 97 02.
Signature targetSignature();

// Raises the job's own signature failure when the signature read is not the
// chip's that the built-in image is for.
void requireTargetSignature(const Signature& signature);

// Sends the bootloader back to the firmware.
void leaveProgramming(CommChannel& channel);

// Programming asks first when the instrument already holds the built-in version or a newer one.
bool overwriteNeedsConfirmation(std::int32_t previousFirmwareVersion);

// The question asked then, with both versions as the front end writes numbers.
std::string overwriteQuestion(const std::string& previousVersionText, const std::string& targetVersionText);

// A version number with two decimals, as the command line and the service
// record write it: 358 → "3.58", 360 → "3.60", 210 → "2.10". (The window
// keeps its own, shortest form.)
std::string versionText(std::int32_t versionNumber);

// The firmware version as read, or why it was not: a bootloader older than
// 2.10 cannot report it.
std::string firmwareVersionText(const Versions& versions);

} // namespace session
