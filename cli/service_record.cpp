#include "cli/service_record.h"

#include "session/instrument_session.h"
#include "session/session_texts.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using Json = nlohmann::ordered_json;

// Length of the valid UTF-8 sequence starting at text[at], or 0 if none starts there.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    std::uint32_t lowest = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, lowest = 0x80, codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, lowest = 0x800, codePoint = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, lowest = 0x10000, codePoint = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = codePoint << 6 | (next & 0x3Fu);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < lowest || codePoint > 0x10FFFF || surrogate)
        return 0;
    return length;
}

// Bytes from the line (an identifier) need not be UTF-8; each byte that is not
// part of a valid sequence stands for the code point of the same number, so
// the record keeps every byte instead of a replacement character.
std::string validUtf8(std::string_view bytes)
{
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = utf8SequenceLength(bytes, at);
        if (length > 0) {
            text.append(bytes.substr(at, length));
            at += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        text += static_cast<char>(0xC0 | byte >> 6);
        text += static_cast<char>(0x80 | (byte & 0x3F));
    }
    return text;
}

Json optionalText(const std::optional<std::string>& text)
{
    return text ? Json(validUtf8(*text)) : Json(nullptr);
}

template <typename Number>
Json optionalNumber(const std::optional<Number>& number)
{
    return number ? Json(*number) : Json(nullptr);
}

// Six significant digits are plenty for a duration in a service file.
Json shortNumber(double number)
{
    if (!std::isfinite(number))
        return nullptr;
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", number);
    return std::strtod(text, nullptr);
}

Json softwareVersionJson(const std::optional<session::Versions>& versions)
{
    if (!versions)
        return nullptr;
    return Json{{"number", versions->software}, {"text", session::versionText(versions->software)}, {"read", true}};
}

// A firmware version that the bootloader cannot report has no number, and its
// text says why.
Json firmwareVersionJson(const std::optional<session::Versions>& versions)
{
    if (!versions)
        return nullptr;
    const bool read = !versions->firmwareAssumed;
    return Json{{"number", read ? Json(versions->firmware) : Json(nullptr)},
                {"text", session::firmwareVersionText(*versions)},
                {"read", read}};
}

const char* resultName(StepResult result)
{
    switch (result) {
    case StepResult::Ok:
        return "ok";
    case StepResult::Failed:
        return "failed";
    case StepResult::Declined:
        return "declined";
    case StepResult::Skipped:
        return "skipped";
    }
    return "";
}

Json stepJson(const StepLog::Entry& step)
{
    Json json{{"step", stepRecordName(step.step)}, {"result", resultName(step.result)}};
    if (!step.detail.empty())
        json["detail"] = validUtf8(step.detail);
    return json;
}

Json stepsJson(const StepLog& steps)
{
    Json json = Json::array();
    for (const StepLog::Entry& step : steps.entries())
        json.push_back(stepJson(step));
    return json;
}

Json verificationJson(const RunOutcome& outcome)
{
    const char* result = "not run";
    if (outcome.verification == Verification::Passed)
        result = "passed";
    else if (outcome.verification == Verification::Failed)
        result = "failed";
    return Json{{"result", result}, {"firstMismatchAddress", optionalNumber(outcome.firstMismatchAddress)}};
}

Json replyTimeJson(const std::optional<ReplyTimeEntry>& time)
{
    if (!time)
        return nullptr;
    return Json{{"measuredMs", shortNumber(time->measuredMs)},
                {"lineMs", shortNumber(time->lineMs)},
                {"roundTrips", time->roundTrips},
                {"heldBack", time->heldBack},
                {"lowLatency", validUtf8(time->lowLatency)}};
}

Json failureJson(const std::optional<RunFailure>& failure)
{
    if (!failure)
        return nullptr;
    Json json{{"message", validUtf8(failure->message)}, {"cause", optionalText(failure->cause)}};
    if (failure->phase)
        json["phase"] = stepRecordName(*failure->phase);
    if (failure->lineError)
        json["lineError"] = *failure->lineError;
    return json;
}

} // namespace

std::string signatureText(const std::array<std::int32_t, 3>& bytes)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", static_cast<unsigned>(bytes[0]) & 0xFFu,
                  static_cast<unsigned>(bytes[1]) & 0xFFu, static_cast<unsigned>(bytes[2]) & 0xFFu);
    return text;
}

std::string serviceRecordJson(const RunOutcome& outcome)
{
    const Json json{
        {"tool", "veltor-update"},
        {"command", commandName(outcome.command)},
        {"startedAt", outcome.startedAt},
        {"durationSeconds", shortNumber(outcome.durationSeconds)},
        {"port",
         {{"argument", validUtf8(outcome.portArgument)},
          {"number", optionalNumber(outcome.portNumber)},
          {"device", validUtf8(outcome.device)}}},
        {"identifier", optionalText(outcome.identifier)},
        {"softwareVersion", softwareVersionJson(outcome.versions)},
        {"firmwareVersion", firmwareVersionJson(outcome.versions)},
        {"signature", outcome.signature ? Json(signatureText(*outcome.signature)) : Json(nullptr)},
        {"replyTime", replyTimeJson(outcome.replyTime)},
        {"image",
         {{"version", session::versionText(session::targetVersion)},
          {"length", outcome.imageLength},
          {"sha256", outcome.imageSha256},
          {"standIn", outcome.imageIsStandIn}}},
        {"steps", stepsJson(outcome.steps)},
        {"verification", verificationJson(outcome)},
        {"instrument", {{"state", instrumentStateName(outcome.reached)}, {"advice", optionalText(outcome.advice)}}},
        {"failure", failureJson(outcome.failure)},
        {"exitCode", outcome.exitCode},
    };
    return json.dump(2) + "\n";
}

std::string isoUtcTime(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto days = floor<std::chrono::days>(when);
    const year_month_day date{days};
    const hh_mm_ss time{floor<seconds>(when - days)};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

