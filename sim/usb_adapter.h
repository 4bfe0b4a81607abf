#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

// What sits between the instrument's line and the computer.
enum class AdapterKind {
    None,           // a native port: bytes reach the host as the line delivers them
    LatencyTimer,   // FTDI kind: a 62-byte packet, or what is waiting when the latency timer runs out
    UsbFrame,       // CH340, CP210x, PL2303 kind: what is waiting goes with the next 1 ms USB frame
};

// A USB serial adapter's receive side: bytes from the line wait in its buffer
// until a USB packet takes them to the computer.
//
// The FTDI kind sends a packet when 62 data bytes are waiting or when its
// latency timer runs out. The timer runs all the time: on expiry the chip
// sends what is waiting (only its two status bytes when nothing is) and starts
// the timer again, as it also does after a full packet. A host that answers a
// reply at once therefore sees its next short reply held for nearly the whole
// timer period.
class UsbAdapter {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    static constexpr std::size_t ftdiPacketBytes = 62;
    static constexpr std::chrono::milliseconds usbFrame{1};

    UsbAdapter(AdapterKind kind, std::chrono::milliseconds latencyTimer, TimePoint start);

    // A byte fully received from the line at 'arrival'; arrivals come in order.
    void take(std::uint8_t byte, TimePoint arrival);
    // Appends to 'host' every byte the adapter has handed over by 'now'.
    void deliver(TimePoint now, std::vector<std::uint8_t>& host);
    // When the bytes waiting now go out; nothing while none wait.
    std::optional<TimePoint> nextDelivery() const;
    void clear();

private:
    TimePoint expiryAfter(TimePoint moment) const;
    void sendWaiting();

    AdapterKind kind;
    Clock::duration period;
    TimePoint timerStart;
    std::vector<std::uint8_t> waiting;
    TimePoint waitingDeadline;
    std::vector<std::uint8_t> sent;
};

} // namespace sim
