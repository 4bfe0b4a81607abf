#include "sim/wire_ledger.h"

namespace sim {

void WireLedger::received(std::size_t bytes)
{
    if (bytes == 0)
        return;
    if (repliedSinceReceive) {
        repliedSinceReceive = false;
        if (sendEnd > receiveEnd)
            receiveEnd = sendEnd;
    }
    receiveEnd += static_cast<double>(bytes) * byteSeconds;
}

void WireLedger::sent(std::size_t bytes)
{
    if (bytes == 0)
        return;
    const double start = receiveEnd > sendEnd ? receiveEnd : sendEnd;
    sendEnd = start + static_cast<double>(bytes) * byteSeconds;
    repliedSinceReceive = true;
    ++replies;
}

} // namespace sim
