#include "link/bootloader_entry.h"

#include "common/frontend.h"
#include "common/general_exception.h"
#include "link/comm_channel.h"
#include "link/idle_ticker.h"
#include "link/link_clock.h"

#include <chrono>
#include <ctime>

namespace {

const char* const nullChannel = "Комунікаційний канал управляється NULL вказівником!";
const char* const noAnswer = "VELTOR не відповідає!\nСпробуйте повторити процедуру\nпрограмування ще раз!";

constexpr std::uint8_t probeFirst = ']';
constexpr std::uint8_t probeSecond = '[';
constexpr std::uint8_t probeAnswer = 'B';
constexpr std::uint8_t identify = 'S';
constexpr std::uint8_t softwareVersion = 'V';
constexpr std::uint8_t firmwareVersion = 'v';

constexpr int identifierLength = 7;
constexpr int probeScaleSeconds = 5;
constexpr std::time_t giveUpAfterSeconds = 5;
constexpr std::chrono::milliseconds settlePause{500};

void requireChannel(const CommChannel* channel)
{
    if (channel == nullptr)
        throw GeneralException(nullChannel);
}

void send(CommChannel& channel, std::uint8_t byte)
{
    channel.writeByte(byte);
    channel.purgeTransmit();
}

// The progress bar shows whole seconds elapsed. Setting it to the value it
// already shows would change nothing, and the probe loop runs thousands of
// passes a second, so repeats are left out.
class ProbeProgress {
public:
    void show(int position)
    {
        if (shown && position == lastPosition)
            return;
        frontend::progress().setPosition(position);
        lastPosition = position;
        shown = true;
    }

private:
    int lastPosition = 0;
    bool shown = false;
};

// Probes until the bootloader answers 'B'; gives up, closing the channel,
// once the seconds clock stands more than five seconds past the start.
void catchBootloader(CommChannel& channel)
{
    LinkClock& clock = linkClock();
    const std::time_t start = clock.seconds();
    frontend::progress().setMaximum(probeScaleSeconds);
    ProbeProgress progress;
    for (;;) {
        send(channel, probeFirst);
        send(channel, probeSecond);
        if (channel.pollByte(start) == probeAnswer)
            break;
        if (clock.seconds() - start > giveUpAfterSeconds) {
            progress.show(0);
            channel.closePort();
            throw ReplyException(noAnswer);
        }
        progress.show(static_cast<int>(clock.seconds() - start));
        IdleTicker::tick();
    }
    progress.show(0);
}

std::int32_t queryVersion(CommChannel* channel, std::uint8_t command)
{
    requireChannel(channel);
    send(*channel, command);
    const std::uint8_t major = channel->readByte();
    const std::uint8_t minor = channel->readByte();
    return versionNumber(major, minor);
}

} // namespace

std::string enterBootloader(CommChannel* channel)
{
    requireChannel(channel);
    catchBootloader(*channel);
    // Let further answers to the probes arrive, then throw them away.
    linkClock().pause(settlePause);
    channel->purgeReceive();
    send(*channel, identify);
    std::string identifier;
    for (int i = 0; i < identifierLength; ++i)
        identifier += static_cast<char>(channel->readByte());
    return identifier;
}

std::int32_t querySoftwareVersion(CommChannel* channel)
{
    return queryVersion(channel, softwareVersion);
}

std::int32_t queryFirmwareVersion(CommChannel* channel)
{
    return queryVersion(channel, firmwareVersion);
}

std::int32_t versionNumber(std::uint8_t major, std::uint8_t minor)
{
    std::int32_t hundredths = minor;
    if (hundredths < 10)
        hundredths *= 10;
    else if (hundredths > 100)
        hundredths %= 100;
    return major * 100 + hundredths;
}
