#include "ports/latency_timer.h"

std::optional<AdapterDriver> slowLatencyTimer(const std::string& devicePath, const LowLatencyOutcome& lowLatency)
{
    const bool overridden = lowLatency.state == LowLatencyOutcome::State::Granted ||
                            lowLatency.state == LowLatencyOutcome::State::AlreadyOn;
    std::optional<AdapterDriver> adapter = adapterDriver(devicePath);
    if (overridden || !adapter || !adapter->latencyTimerMs || *adapter->latencyTimerMs <= quickLatencyTimerMs)
        return std::nullopt;
    return adapter;
}
