#include "cli/latency_hint.h"

#include "ports/adapter_info.h"
#include "ports/latency_timer.h"
#include "ports/port_names.h"

#include <optional>

namespace {

// "USB Serial Port (COM14), драйвер FTSER2K: таймер затримки 16 мс. "
std::string adapterNow(const std::string& devicePath)
{
    const std::optional<AdapterDriver> adapter = adapterDriver(devicePath);
    if (!adapter || !adapter->latencyTimerMs)
        return {};
    const std::optional<AdapterName> name = adapterName(devicePath);
    return "Адаптер " + (name ? name->stablePath + ", " : std::string()) + "драйвер " + adapter->driver +
           ": таймер затримки " + std::to_string(*adapter->latencyTimerMs) + " мс. ";
}

} // namespace

// Windows offers no request for it (see latencyTimerSteps).
std::string latencyAdvice(std::int32_t portNumber, const std::string& devicePath, const LowLatencyOutcome&)
{
    return adapterNow(devicePath) + latencyTimerSteps(portNumber, devicePath);
}
