#include "sim/usb_adapter.h"

namespace sim {

UsbAdapter::UsbAdapter(AdapterKind adapterKind, std::chrono::milliseconds latencyTimer, TimePoint start)
    : kind(adapterKind),
      period(adapterKind == AdapterKind::UsbFrame ? Clock::duration(usbFrame) : Clock::duration(latencyTimer)),
      timerStart(start)
{
    if (period <= Clock::duration::zero())
        kind = AdapterKind::None;
}

UsbAdapter::TimePoint UsbAdapter::expiryAfter(TimePoint moment) const
{
    if (moment < timerStart)
        return timerStart;
    return timerStart + ((moment - timerStart) / period + 1) * period;
}

void UsbAdapter::sendWaiting()
{
    sent.insert(sent.end(), waiting.begin(), waiting.end());
    waiting.clear();
}

void UsbAdapter::take(std::uint8_t byte, TimePoint arrival)
{
    if (kind == AdapterKind::None) {
        sent.push_back(byte);
        return;
    }
    if (!waiting.empty() && arrival > waitingDeadline)
        sendWaiting();
    if (waiting.empty())
        waitingDeadline = expiryAfter(arrival);
    waiting.push_back(byte);
    if (kind == AdapterKind::LatencyTimer && waiting.size() == ftdiPacketBytes) {
        sendWaiting();
        timerStart = arrival;
    }
}

void UsbAdapter::deliver(TimePoint now, std::vector<std::uint8_t>& host)
{
    if (!waiting.empty() && now >= waitingDeadline)
        sendWaiting();
    host.insert(host.end(), sent.begin(), sent.end());
    sent.clear();
}

std::optional<UsbAdapter::TimePoint> UsbAdapter::nextDelivery() const
{
    if (waiting.empty())
        return std::nullopt;
    return waitingDeadline;
}

void UsbAdapter::clear()
{
    waiting.clear();
    sent.clear();
}

} // namespace sim
