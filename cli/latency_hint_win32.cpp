#include "cli/latency_hint.h"

#include "ports/latency_timer.h"

#include <optional>

namespace {

// "USB Serial Port (COM14), драйвер FTSER2K: таймер затримки 16 мс. "
std::string adapterNow(const ResolvedPort& port)
{
    const std::optional<AdapterDriver>& adapter = port.driver;
    if (!adapter || !adapter->latencyTimerMs)
        return {};
    const std::optional<AdapterName>& name = port.adapter;
    return "Адаптер " + (name ? name->stablePath + ", " : std::string()) + "драйвер " + adapter->driver +
           ": таймер затримки " + std::to_string(*adapter->latencyTimerMs) + " мс. ";
}

} // namespace

// Windows offers no request for it (see latencyTimerSteps).
std::string latencyAdvice(const ResolvedPort& port, const LowLatencyOutcome&)
{
    return adapterNow(port) + latencyTimerSteps(port);
}
