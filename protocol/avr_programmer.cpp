#include "protocol/avr_programmer.h"

#include "common/general_exception.h"
#include "link/comm_channel.h"

namespace {

CommChannel& requireChannel(CommChannel* channel)
{
    if (!channel)
        throw GeneralException("Комунікаційний канал управляється NULL вказівником!");
    return *channel;
}

} // namespace

AVRProgrammer::AVRProgrammer(CommChannel* link) : pageSize(-1), channel(requireChannel(link)) {}

AVRProgrammer::~AVRProgrammer() = default;
