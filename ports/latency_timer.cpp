#include "ports/latency_timer.h"

std::optional<AdapterDriver> slowLatencyTimer(const ResolvedPort& port, const LowLatencyOutcome& lowLatency)
{
    const bool overridden = lowLatency.state == LowLatencyOutcome::State::Granted ||
                            lowLatency.state == LowLatencyOutcome::State::AlreadyOn;
    const std::optional<AdapterDriver>& adapter = port.driver;
    if (overridden || !adapter || !adapter->latencyTimerMs || *adapter->latencyTimerMs <= quickLatencyTimerMs)
        return std::nullopt;
    return adapter;
}
