#include "cli/service_record.h"

#include "cli/json_writer.h"

#include <cstdio>

void ServiceRecord::addStep(std::string name, std::string result, std::string detail)
{
    steps.push_back({std::move(name), std::move(result), std::move(detail)});
}

namespace {

void writeVersion(JsonWriter& json, const std::optional<std::int32_t>& number, bool assumed)
{
    if (!number) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("number").value(*number);
    json.key("text").value(assumed ? std::string("3.00") : versionText(*number));
    json.key("read").value(!assumed);
    json.endObject();
}

std::string signatureText(const std::array<std::int32_t, 3>& bytes)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", static_cast<unsigned>(bytes[0]) & 0xFFu,
                  static_cast<unsigned>(bytes[1]) & 0xFFu, static_cast<unsigned>(bytes[2]) & 0xFFu);
    return text;
}

} // namespace

std::string serviceRecordJson(const ServiceRecord& record)
{
    JsonWriter json;
    json.beginObject();
    json.key("tool").value("veltor-update");
    json.key("command").value(record.command);
    json.key("startedAt").value(record.startedAt);
    json.key("durationSeconds").value(record.durationSeconds);

    json.key("port").beginObject();
    json.key("argument").value(record.portArgument);
    json.key("number").optional(record.portNumber);
    json.key("device").value(record.device);
    json.endObject();

    json.key("identifier").optional(record.identifier);
    json.key("softwareVersion");
    writeVersion(json, record.softwareVersion, false);
    json.key("firmwareVersion");
    writeVersion(json, record.firmwareVersion, record.firmwareVersionAssumed);
    json.key("signature");
    if (record.signature)
        json.value(signatureText(*record.signature));
    else
        json.null();

    json.key("image").beginObject();
    json.key("version").value("3.58");
    json.key("length").value(static_cast<std::int64_t>(record.imageLength));
    json.key("sha256").value(record.imageSha256);
    json.endObject();

    json.key("steps").beginArray();
    for (const ServiceRecord::Step& step : record.steps) {
        json.beginObject();
        json.key("step").value(step.name);
        json.key("result").value(step.result);
        if (!step.detail.empty())
            json.key("detail").value(step.detail);
        json.endObject();
    }
    json.endArray();

    json.key("verification").beginObject();
    json.key("result").value(record.verification);
    json.key("firstMismatchAddress");
    if (record.firstMismatchAddress)
        json.value(static_cast<std::int64_t>(*record.firstMismatchAddress));
    else
        json.null();
    json.endObject();

    json.key("failure");
    if (record.failureMessage) {
        json.beginObject();
        json.key("message").value(*record.failureMessage);
        json.key("cause").optional(record.failureCause);
        json.endObject();
    } else {
        json.null();
    }
    json.key("exitCode").value(record.exitCode);
    json.endObject();
    return json.text();
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

std::string versionText(std::int32_t versionNumber)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", versionNumber * 0.01);
    return text;
}
