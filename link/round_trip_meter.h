#pragma once

#include "link/comm_channel.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

// How long the instrument's replies took to arrive, against the time the line
// itself needs for them.
struct ReplyTime {
    std::chrono::microseconds measured{};  // from the end of a command to the first byte of its reply
    std::chrono::microseconds line{};      // what the line itself needs for that: the command's last byte and one
    std::size_t roundTrips = 0;            // how many the figures stand for
};

// A USB serial adapter that holds replies back costs this much or more on
// every round trip (the FTDI kind at its 16 ms default, nearly all of it);
// native ports and adapters that forward within a USB frame stay far below.
inline constexpr std::chrono::milliseconds heldReplyThreshold{8};

// Whether the replies wait clearly longer than the line needs.
bool repliesHeldBack(const ReplyTime& time);

// Passes everything through to another channel unchanged and times, on the
// link clock, each round trip: from the transmit purge that ends a command to
// the first byte read after it. Keeps the first few.
class RoundTripMeter final : public CommChannel {
public:
    explicit RoundTripMeter(CommChannel& measured, std::size_t roundTripsKept = 8);

    void openPort() override;
    void closePort() override;
    void writeByte(int value) override;
    std::uint8_t readByte() override;
    std::uint8_t pollByte(std::time_t referenceTime) override;
    void purgeTransmit() override;
    void purgeReceive() override;
    void writeBlock(const std::uint8_t* bytes, std::int32_t count) override;
    void expectStream(std::int32_t count) override;

    // The shortest round trip of those kept: an adapter holds every short
    // reply back, while a busy computer only ever adds to some. None before
    // the first.
    std::optional<ReplyTime> replyTime() const;

private:
    CommChannel& channel;
    std::size_t kept;
    std::vector<std::chrono::microseconds> samples;
    bool commandSent = false;
    std::optional<std::chrono::microseconds> commandEnded;
};
