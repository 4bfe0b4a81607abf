#include "cli/latency_hint.h"

#include <cstdio>

namespace {

// Round trips in a full update: an address, a block and a reply for every
// block written and read back.
constexpr long long roundTripsPerUpdate = 1290;

std::string wholeSeconds(std::chrono::microseconds span)
{
    return std::to_string((span.count() + 500'000) / 1'000'000);
}

} // namespace

std::string millisecondsText(std::chrono::microseconds span)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(span.count()) / 1000.0);
    return text;
}

std::string latencyHint(const ReplyTime& time, const ResolvedPort& port, const LowLatencyOutcome& lowLatency)
{
    if (!repliesHeldBack(time))
        return {};
    const std::chrono::microseconds held = time.measured - time.line;
    return "Адаптер порту затримує відповіді VELTOR: " + millisecondsText(time.measured) + " мс на обмін замість " +
           millisecondsText(time.line) + " мс, повне оновлення може тривати до " +
           wholeSeconds(held * roundTripsPerUpdate) + " с довше. " + latencyAdvice(port, lowLatency);
}

std::string lowLatencyText(const LowLatencyOutcome& lowLatency)
{
    switch (lowLatency.state) {
    case LowLatencyOutcome::State::NotAsked:
        return "not asked";
    case LowLatencyOutcome::State::AlreadyOn:
        return "already set";
    case LowLatencyOutcome::State::Granted:
        return "set";
    case LowLatencyOutcome::State::Refused:
        return "refused: " + lowLatency.reason.message();
    }
    return {};
}
