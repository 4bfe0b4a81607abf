#pragma once

#include <system_error>

// What became of asking the serial driver for low latency when the port was
// opened. A USB serial adapter of the FTDI kind then hands over short replies
// within 1 ms instead of holding them for its latency timer (16 ms by default).
// Only Linux has such a request; on Windows it is never asked.
struct LowLatencyOutcome {
    enum class State {
        NotAsked,  // the port is not open, or the platform has no such request
        AlreadyOn, // the driver had it set already: nothing to put back at close
        Granted,   // set at open, cleared again at close
        Refused,   // the driver would not tell or would not take it; see reason
    };
    State state = State::NotAsked;
    std::error_code reason;
};
