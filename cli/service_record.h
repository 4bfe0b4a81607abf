#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What one run did, written as JSON with --report for the service centre's files.
struct ServiceRecord {
    struct Step {
        std::string name;      // handshake, identifier, versions, signature, confirmation, program, verify, leave
        std::string result;    // ok, failed, declined
        std::string detail;    // the message or a note; may be empty
    };

    std::string command;
    std::string startedAt;                       // UTC, ISO 8601
    double durationSeconds = 0;

    std::string portArgument;                    // as typed
    std::optional<std::int32_t> portNumber;
    std::string device;                          // the device behind the port, if known

    std::optional<std::string> identifier;
    std::optional<std::int32_t> softwareVersion;
    std::optional<std::int32_t> firmwareVersion;
    bool firmwareVersionAssumed = false;         // a bootloader below 2.10 cannot report it: 300
    std::optional<std::array<std::int32_t, 3>> signature;

    // The replies after the handshake, timed: a USB adapter that holds them back shows here.
    struct ReplyTime {
        double measuredMs = 0;       // per round trip, as the tool saw it
        double lineMs = 0;           // what the line itself needs for it
        std::size_t roundTrips = 0;
        bool heldBack = false;       // clearly above the line's time: the hint was shown
        std::string lowLatency;      // the serial driver's low-latency flag: set, already set, refused: why; not asked
    };
    std::optional<ReplyTime> replyTime;

    std::size_t imageLength = 0;
    std::string imageSha256;
    bool imageIsStandIn = false;                 // the repository's stand-in, not the firmware

    std::vector<Step> steps;
    std::string verification = "not run";        // passed, failed, not run
    std::optional<std::uint32_t> firstMismatchAddress;

    std::optional<std::string> failureMessage;   // what the tool showed
    std::optional<std::string> failureCause;     // the core's own message behind it
    std::optional<std::string> failurePhase;     // handshake, erase, write, read-back, compare
    std::optional<std::string> failureLineError; // what the line did to a read: break, framing error, ...
    int exitCode = 0;

    void addStep(std::string name, std::string result, std::string detail = {});
};

std::string serviceRecordJson(const ServiceRecord& record);

// "2024-05-17T08:03:09Z"
std::string isoUtcTime(std::chrono::system_clock::time_point when);

// "1E 97 02"
std::string signatureText(const std::array<std::int32_t, 3>& bytes);
