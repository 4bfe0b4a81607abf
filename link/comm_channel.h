#pragma once

#include <cstdint>
#include <ctime>

// The byte channel through which all protocol code talks to the instrument.
// Every failure raises GeneralException (or a subclass) with the user's message.
class CommChannel {
public:
    CommChannel() = default;
    CommChannel(const CommChannel&) = delete;
    CommChannel& operator=(const CommChannel&) = delete;
    virtual ~CommChannel() = 0;

    virtual void openPort() = 0;
    virtual void closePort() = 0;
    // Sends the low 8 bits of value.
    virtual void writeByte(int value) = 0;
    // The next received byte, waiting up to the channel's time-out.
    virtual std::uint8_t readByte() = 0;
    // The next received byte, or 0 once the seconds clock stands one second or
    // more past referenceTime (a reading of linkClock().seconds()).
    virtual std::uint8_t pollByte(std::time_t referenceTime) = 0;
    virtual void purgeTransmit() = 0;
    virtual void purgeReceive() = 0;
    virtual void writeBlock(const std::uint8_t* bytes, std::int32_t count) = 0;
    // Says that the next 'count' bytes to be read come back to back (a block
    // read's reply), so that a channel may take them in fewer, larger reads.
    // The bytes, their order and every time-out stay as they are.
    virtual void expectStream(std::int32_t count) { static_cast<void>(count); }
};

inline CommChannel::~CommChannel() = default;
