#include "ports/latency_timer.h"

// The driver shows the timer in sysfs, where root can lower it until the
// adapter is unplugged.
std::string latencyTimerNotice(const AdapterDriver& adapter, const std::string& devicePath)
{
    return "Таймер затримки FTDI " + std::to_string(adapter.latencyTimerMs.value_or(0)) + " мс → 1 мс: echo 1 > " +
           latencyTimerFile(devicePath);
}

std::string latencyTimerSteps(const ResolvedPort& port)
{
    return "від root: echo 1 > " + latencyTimerFile(port.device) + " або setserial " + port.device +
           " low_latency (діє до від'єднання адаптера).";
}
