#include "cli/latency_hint.h"

#include "ports/adapter_info.h"
#include "ports/latency_timer.h"

#include <optional>

namespace {

std::string whatWasAsked(const std::string& devicePath, const LowLatencyOutcome& lowLatency)
{
    switch (lowLatency.state) {
    case LowLatencyOutcome::State::Refused:
        return "Драйвер порту " + devicePath + " не прийняв прапорець low_latency (" + lowLatency.reason.message() + "). ";
    case LowLatencyOutcome::State::Granted:
    case LowLatencyOutcome::State::AlreadyOn:
        return "Прапорець low_latency для " + devicePath + " встановлено, але адаптер однаково затримує. ";
    case LowLatencyOutcome::State::NotAsked:
        break;
    }
    return {};
}

} // namespace

std::string latencyAdvice(const ResolvedPort& port, const LowLatencyOutcome& lowLatency)
{
    const std::optional<AdapterDriver>& adapter = port.driver;
    std::string advice = whatWasAsked(port.device, lowLatency);
    const std::string setserial = "setserial " + port.device + " low_latency";
    if (adapter && adapter->latencyTimerMs)
        return advice + "Таймер затримки адаптера (" + adapter->driver + "): " +
               std::to_string(*adapter->latencyTimerMs) + " мс; " + latencyTimerSteps(port);
    return advice + "Від root: " + setserial +
           "; для адаптера FTDI: echo 1 > /sys/bus/usb-serial/devices/ttyUSBn/latency_timer (діє до від'єднання "
           "адаптера).";
}
