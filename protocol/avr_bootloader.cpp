#include "protocol/avr_bootloader.h"

#include "protocol/bootloader_wire.h"

using namespace bootloader;

AVRBootloader::AVRBootloader(CommChannel* link) : AVRProgrammer(link) {}

AVRBootloader::~AVRBootloader() = default;

// The bootloader is in programming mode from the moment it is caught.
bool AVRBootloader::beginProgramming() { return true; }
bool AVRBootloader::endProgramming() { return true; }

bool AVRBootloader::eraseChip()
{
    command(channel, {'e'}, message::eraseFailed);
    return true;
}

bool AVRBootloader::readCalibrationByte(std::int32_t&) { return false; }

// The bootloader sends the signature last byte first.
bool AVRBootloader::getSignature(std::int32_t& byte0, std::int32_t& byte1, std::int32_t& byte2)
{
    byte2 = ask(channel, {'s'});
    byte1 = channel.readByte();
    byte0 = channel.readByte();
    return true;
}

bool AVRBootloader::verifySignature(std::int32_t byte0, std::int32_t byte1, std::int32_t byte2)
{
    std::int32_t actual0 = -1, actual1 = -1, actual2 = -1;
    getSignature(actual0, actual1, actual2);
    if (actual0 != byte0 || actual1 != byte1 || actual2 != byte2)
        throw ReplyException(message::signatureMismatch);
    return true;
}

// Loads 0xFF as the other byte of the word, so the neighbour keeps its erased value.
bool AVRBootloader::putFlashByte(std::int32_t address, std::int32_t value)
{
    if (address < 0)
        throw GeneralException(message::flashAddressNegative);
    if (address >= flashAddressLimit)
        throw GeneralException(message::flashAddressTooLarge);
    const std::int32_t word = address / 2;
    setAddress(word);
    if (address % 2) {
        writeLowByte(0xFF);
        writeHighByte(value);
    } else {
        writeLowByte(value);
        writeHighByte(0xFF);
    }
    setAddress(word);
    writePage();
    return true;
}

bool AVRBootloader::putEepromByte(std::int32_t address, std::int32_t value)
{
    if (address < 0)
        throw GeneralException(message::eepromAddressNegative);
    if (address >= eepromAddressLimit)
        throw GeneralException(message::eepromAddressTooLarge);
    setAddress(address);
    command(channel, {'D', value}, message::eepromByteFailed);
    return true;
}

bool AVRBootloader::setLockBits(std::int32_t value)
{
    command(channel, {'l', value}, message::lockBitsFailed);
    return true;
}

bool AVRBootloader::getLockBits(std::int32_t& value)
{
    value = ask(channel, {'r'});
    return true;
}

bool AVRBootloader::setFuseBits(std::int32_t) { return false; }

bool AVRBootloader::getFuseBits(std::int32_t& value)
{
    const std::int32_t high = ask(channel, {'N'});
    const std::int32_t low = ask(channel, {'F'});
    value = high * 256 + low;
    return true;
}

bool AVRBootloader::setExtendedFuseBits(std::int32_t) { return false; }

bool AVRBootloader::getExtendedFuseBits(std::int32_t& value)
{
    value = ask(channel, {'Q'});
    return true;
}

bool AVRBootloader::getSoftwareVersion(std::int32_t& first, std::int32_t& second)
{
    first = ask(channel, {'V'});
    second = channel.readByte();
    return true;
}

bool AVRBootloader::getHardwareVersion(std::int32_t&, std::int32_t&) { return false; }

void AVRBootloader::setAddress(std::int32_t address)
{
    command(channel, {'A', highByte(address), lowByte(address)}, message::setAddressFailed);
}

void AVRBootloader::writeLowByte(std::int32_t value)
{
    command(channel, {'c', value}, message::lowByteFailed);
}

void AVRBootloader::writeHighByte(std::int32_t value)
{
    command(channel, {'C', value}, message::highByteFailed);
}

void AVRBootloader::writePage()
{
    command(channel, {'m'}, message::pageWriteFailed);
}
