#include "link/round_trip_meter.h"

#include "link/line_timing.h"
#include "link/link_clock.h"

#include <algorithm>

namespace {

// When the transmit purge returns, the command's last byte may still be on
// its way, and the first byte of the reply has yet to cross the line.
constexpr auto lineAfterPurge = std::chrono::duration_cast<std::chrono::microseconds>(2 * byteOnLine);


} // namespace

bool repliesHeldBack(const ReplyTime& time)
{
    return time.measured - time.line >= heldReplyThreshold;
}

RoundTripMeter::RoundTripMeter(CommChannel& measured, std::size_t roundTripsKept)
    : channel(measured), kept(roundTripsKept)
{
}

void RoundTripMeter::openPort() { channel.openPort(); }

void RoundTripMeter::closePort() { channel.closePort(); }

void RoundTripMeter::writeByte(int value)
{
    channel.writeByte(value);
    commandSent = true;
}

void RoundTripMeter::writeBlock(const std::uint8_t* bytes, std::int32_t count)
{
    channel.writeBlock(bytes, count);
    commandSent = commandSent || count > 0;
}

void RoundTripMeter::purgeTransmit()
{
    channel.purgeTransmit();
    if (commandSent && samples.size() < kept)
        commandEnded = linkClock().steadyTime();
}

std::uint8_t RoundTripMeter::readByte()
{
    const std::uint8_t byte = channel.readByte();
    if (commandEnded)
        samples.push_back(linkClock().steadyTime() - *commandEnded);
    commandEnded.reset();
    commandSent = false;
    return byte;
}

// The probe's replies are not timed: the instrument may not be listening yet.
std::uint8_t RoundTripMeter::pollByte(std::time_t referenceTime)
{
    commandEnded.reset();
    commandSent = false;
    return channel.pollByte(referenceTime);
}

void RoundTripMeter::purgeReceive() { channel.purgeReceive(); }

void RoundTripMeter::expectStream(std::int32_t count) { channel.expectStream(count); }

std::optional<ReplyTime> RoundTripMeter::replyTime() const
{
    if (samples.empty())
        return std::nullopt;
    return ReplyTime{*std::min_element(samples.begin(), samples.end()), lineAfterPurge, samples.size()};
}
