#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

// One byte on the line: start bit, 8 data bits, 2 stop bits at 115200 bit/s.
constexpr double byteSeconds = 11.0 / 115200.0;

// Keeps the least time an exchange could take on a real line, with a host
// that answers instantly and never pauses. Both directions run at line rate
// and may overlap, except that a host byte that follows an instrument reply
// waits for the end of that reply, and a reply
// waits for the chip's busy time (page write, erase, EEPROM write).
class WireLedger {
public:
    void received(std::size_t bytes);
    void busy(double seconds) { receiveEnd += seconds; }
    void sent(std::size_t bytes);
    double leastSeconds() const { return receiveEnd > sendEnd ? receiveEnd : sendEnd; }
    // Each reply ends one round trip: the host sent, the instrument answered.
    std::uint64_t roundTrips() const { return replies; }

private:
    double receiveEnd = 0;
    double sendEnd = 0;
    bool repliedSinceReceive = false;
    std::uint64_t replies = 0;
};

} // namespace sim
