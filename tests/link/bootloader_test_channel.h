#pragma once

#include "tests/support/manual_clock.h"
#include "tests/support/scripted_channel.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

// A scripted channel that plays the bootloader's side of the handshake: it
// may answer each probe pair, sends its identifier after 'S', and spends a
// millisecond on every empty poll, as a line would, so that probing for
// seconds stays a few thousand passes: real time, or the manual clock's when
// one is given.
class BootloaderChannel : public ScriptedChannel {
public:
    // Answer to the probe pair number n (1-based); a negative value: none.
    std::function<int(int probe)> probeAnswer = [](int) { return -1; };
    std::string identifier = "AVRBOOT";
    int probes = 0;
    ManualClock* clock = nullptr;

    void writeByte(int value) override
    {
        ScriptedChannel::writeByte(value);
        if (value == '[') {
            const int answer = probeAnswer(++probes);
            if (answer >= 0)
                reply({static_cast<std::uint8_t>(answer)});
        } else if (value == 'S') {
            reply(std::vector<std::uint8_t>(identifier.begin(), identifier.end()));
        }
    }

    std::uint8_t pollByte(std::time_t referenceTime) override
    {
        if (replies.empty()) {
            if (clock)
                clock->advance(std::chrono::milliseconds(1));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return ScriptedChannel::pollByte(referenceTime);
    }
};

// The calls of one probe pair that got no 'B'.
inline std::vector<std::string> probePair()
{
    return {"w5D", "pT", "w5B", "pT", "p"};
}

// From the 'B' on: throw away the rest, ask for the identifier, read it.
inline std::vector<std::string> identification()
{
    return {"pR", "w53", "pT", "r", "r", "r", "r", "r", "r", "r"};
}
