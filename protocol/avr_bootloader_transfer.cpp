// Whole-image transfers between a HEXFile and the chip's flash or EEPROM: in
// blocks when the bootloader offers them, otherwise one flash word or one
// EEPROM byte per command.

#include "common/frontend.h"
#include "image/hex_file.h"
#include "protocol/avr_bootloader.h"
#include "protocol/bootloader_wire.h"

#include <algorithm>

using namespace bootloader;

namespace {

// Addresses are worked on in 64 bits so that no range arithmetic can wrap.
using Address = std::int64_t;

struct Range {
    Address start;
    Address end;
};

// Everything a transfer touches lies inside the buffer and inside the chip's
// address space, so nothing is refused half-way through for that reason.
Range checkedRange(const HEXFile& image, Address addressLimit, const char* beyondLimit)
{
    const Range range{image.rangeStart(), image.rangeEnd()};
    if (range.start > range.end)
        throw GeneralException(message::rangeReversed);
    if (range.end >= image.size())
        throw GeneralException(message::rangeOutsideBuffer);
    if (range.end >= addressLimit)
        throw GeneralException(beyondLimit);
    return range;
}

Range checkedFlashRange(const HEXFile& image)
{
    return checkedRange(image, flashAddressLimit, message::flashAddressTooLarge);
}

Range checkedEepromRange(const HEXFile& image)
{
    return checkedRange(image, eepromAddressLimit, message::eepromAddressTooLarge);
}

void requirePageSize(std::int32_t pageSize, const char* unsetMessage)
{
    if (pageSize == -1)
        throw GeneralException(unsetMessage);
    if (pageSize <= 0)
        throw GeneralException(message::pageSizeNotPositive);
}

bool offersBlocks(CommChannel& channel) { return ask(channel, {'b'}) == yes; }

bool advancesAddress(CommChannel& channel) { return ask(channel, {'a'}) == yes; }

// The two bytes that follow the 'Y' to 'b'. A size of 0 would never finish a
// transfer, and an odd one would start flash blocks inside a word.
Address readBlockSize(CommChannel& channel, bool forFlash)
{
    const Address high = channel.readByte();
    const Address size = high * 256 + channel.readByte();
    if (size == 0)
        throw ReplyException(message::blockSizeZero);
    if (forFlash && size % 2)
        throw ReplyException(message::blockSizeOdd);
    return size;
}

Address roundDownEven(Address count) { return count & ~Address{1}; }
Address roundUpEven(Address count) { return count + count % 2; }

std::int32_t wordOf(Address address) { return static_cast<std::int32_t>(address / 2); }

// Writes the page that holds the word just loaded and points the bootloader
// at the next word.
void commitAt(AVRBootloader& loader, Address next)
{
    loader.setAddress(wordOf(next - 2));
    loader.writePage();
    loader.setAddress(wordOf(next));
}

bool pageEndsAt(Address next, std::int32_t pageSize, Address end) { return next % pageSize == 0 || next > end; }

// A range that starts at an odd address: the byte is the high half of its word;
// the low half gets 0xFF. The bootloader's address must already point at the word.
Address loadOddStart(AVRBootloader& loader, const HEXFile& image, Address at, Address end, std::int32_t pageSize)
{
    loader.writeLowByte(0xFF);
    loader.writeHighByte(image.byteAt(static_cast<std::uint32_t>(at)));
    const Address next = at + 1;
    if (pageEndsAt(next, pageSize, end))
        commitAt(loader, next);
    return next;
}

// The first block ends on a multiple of the block size, unless the range ends
// first; it never ends inside a word.
Address alignmentLength(Address at, Address end, Address blockSize)
{
    if (at % blockSize == 0)
        return 0;
    Address count = blockSize - at % blockSize;
    if (at + count - 1 > end)
        count = roundDownEven(end - at + 1);
    return count;
}

void sendBlockHeader(CommChannel& channel, char command, Address count, char memory)
{
    send(channel, {command, highByte(count), lowByte(count), memory});
}

// Bytes past the end of the range go out as 0xFF, the value of erased flash.
bool writeFlashBlock(AVRBootloader& loader, CommChannel& channel, const HEXFile& image, Address at, Address count,
                     Address end)
{
    loader.setAddress(wordOf(at));
    sendBlockHeader(channel, 'B', count, 'F');
    for (Address address = at; address < at + count; ++address)
        channel.writeByte(address <= end ? image.byteAt(static_cast<std::uint32_t>(address)) : 0xFF);
    return channel.readByte() == carriageReturn;
}

// Bytes past the end of the range are read and dropped.
void readFlashBlock(AVRBootloader& loader, CommChannel& channel, HEXFile& image, Address at, Address count,
                    Address end)
{
    loader.setAddress(wordOf(at));
    sendBlockHeader(channel, 'g', count, 'F');
    channel.expectStream(static_cast<std::int32_t>(count));
    for (Address address = at; address < at + count; ++address) {
        const std::uint8_t byte = channel.readByte();
        if (address <= end)
            image.storeByte(static_cast<std::uint32_t>(address), byte);
    }
}

struct Word {
    std::uint8_t high;
    std::uint8_t low;
};

Word readWord(CommChannel& channel)
{
    const std::uint8_t high = ask(channel, {'R'});
    return {high, channel.readByte()};
}

void writeFlashWords(AVRBootloader& loader, const HEXFile& image, Range range, std::int32_t pageSize,
                     bool autoIncrement)
{
    const auto byteAt = [&image](Address address) { return image.byteAt(static_cast<std::uint32_t>(address)); };
    Address at = range.start;
    const Address end = range.end;
    loader.setAddress(wordOf(at));
    if (at % 2)
        at = loadOddStart(loader, image, at, end, pageSize);
    while (end - at + 1 >= 2) {
        if (!autoIncrement)
            loader.setAddress(wordOf(at));
        loader.writeLowByte(byteAt(at));
        loader.writeHighByte(byteAt(at + 1));
        at += 2;
        if (pageEndsAt(at, pageSize, end))
            commitAt(loader, at);
    }
    if (at == end) {
        if (!autoIncrement)
            loader.setAddress(wordOf(at));
        loader.writeLowByte(byteAt(at));
        loader.writeHighByte(0xFF);
        loader.setAddress(wordOf(at));
        loader.writePage();
    }
}

void readFlashWords(AVRBootloader& loader, CommChannel& channel, HEXFile& image, Range range, bool autoIncrement)
{
    const auto store = [&image](Address address, std::uint8_t value) {
        image.storeByte(static_cast<std::uint32_t>(address), value);
    };
    Address at = range.start;
    const Address end = range.end;
    loader.setAddress(wordOf(at));
    if (at % 2) {
        store(at, readWord(channel).high);
        ++at;
    }
    while (end - at + 1 >= 2) {
        if (!autoIncrement)
            loader.setAddress(wordOf(at));
        const Word word = readWord(channel);
        store(at, word.low);
        store(at + 1, word.high);
        at += 2;
    }
    if (at == end) {
        if (!autoIncrement)
            loader.setAddress(wordOf(at));
        store(at, readWord(channel).low);
    }
}

// Walks an EEPROM range one byte at a time, setting the address first and,
// without auto-increment, before every byte again.
template <typename PerByte>
void walkEepromBytes(AVRBootloader& loader, Range range, bool autoIncrement, PerByte perByte)
{
    loader.setAddress(static_cast<std::int32_t>(range.start));
    for (Address at = range.start; at <= range.end; ++at) {
        if (!autoIncrement)
            loader.setAddress(static_cast<std::int32_t>(at));
        perByte(at);
    }
}

// Walks an EEPROM range in blocks of at most blockSize bytes; EEPROM blocks are
// neither aligned nor padded.
template <typename PerBlock>
void walkEepromBlocks(AVRBootloader& loader, Range range, Address blockSize, PerBlock perBlock)
{
    for (Address at = range.start; at <= range.end;) {
        const Address count = std::min(blockSize, range.end - at + 1);
        loader.setAddress(static_cast<std::int32_t>(at));
        perBlock(at, count);
        at += count;
    }
}

} // namespace

bool AVRBootloader::programFlash(HEXFile& image)
{
    requirePageSize(pageSize, message::pageSizeUnsetForWrite);
    const Range range = checkedFlashRange(image);
    if (offersBlocks(channel))
        return programFlashBlock(image);
    writeFlashWords(*this, image, range, pageSize, advancesAddress(channel));
    return true;
}

bool AVRBootloader::fetchFlash(HEXFile& image)
{
    requirePageSize(pageSize, message::pageSizeUnsetForRead);
    const Range range = checkedFlashRange(image);
    if (offersBlocks(channel))
        return fetchFlashBlock(image);
    readFlashWords(*this, channel, image, range, advancesAddress(channel));
    return true;
}

bool AVRBootloader::programEeprom(HEXFile& image)
{
    const Range range = checkedEepromRange(image);
    if (offersBlocks(channel))
        return programEepromBlock(image);
    walkEepromBytes(*this, range, advancesAddress(channel), [&](Address at) {
        command(channel, {'D', image.byteAt(static_cast<std::uint32_t>(at))}, message::eepromByteFailed);
    });
    return true;
}

bool AVRBootloader::fetchEeprom(HEXFile& image)
{
    const Range range = checkedEepromRange(image);
    if (offersBlocks(channel))
        return fetchEepromBlock(image);
    walkEepromBytes(*this, range, advancesAddress(channel), [&](Address at) {
        image.storeByte(static_cast<std::uint32_t>(at), ask(channel, {'d'}));
    });
    return true;
}

bool AVRBootloader::programFlashBlock(HEXFile& image)
{
    const Address blockSize = readBlockSize(channel, true);
    requirePageSize(pageSize, message::pageSizeUnsetForWrite);
    const Range range = checkedFlashRange(image);
    const Address end = range.end;
    Address at = range.start;

    if (at % 2) {
        setAddress(wordOf(at));
        at = loadOddStart(*this, image, at, end, pageSize);
    }
    const Address leading = alignmentLength(at, end, blockSize);
    if (leading > 0) {
        if (!writeFlashBlock(*this, channel, image, at, leading, end))
            throw ReplyException(message::flashBlockFailed);
        at += leading;
    }

    frontend::Progress& bar = frontend::progress();
    bar.setMaximum(static_cast<int>(range.end - range.start));
    while (end - at + 1 >= blockSize) {
        if (!writeFlashBlock(*this, channel, image, at, blockSize, end)) {
            bar.setPosition(0);
            throw ReplyException(message::flashBlockFailed);
        }
        at += blockSize;
        bar.setPosition(static_cast<int>(at));
    }
    bar.setPosition(0);

    const Address remaining = end - at + 1;
    if (remaining >= 1 && !writeFlashBlock(*this, channel, image, at, roundUpEven(remaining), end))
        throw ReplyException(message::flashBlockFailed);
    return true;
}

bool AVRBootloader::fetchFlashBlock(HEXFile& image)
{
    const Address blockSize = readBlockSize(channel, true);
    const Range range = checkedFlashRange(image);
    const Address end = range.end;
    Address at = range.start;

    if (at % 2) {
        setAddress(wordOf(at));
        image.storeByte(static_cast<std::uint32_t>(at), readWord(channel).high);
        ++at;
    }
    const Address leading = alignmentLength(at, end, blockSize);
    if (leading > 0) {
        readFlashBlock(*this, channel, image, at, leading, end);
        at += leading;
    }
    for (; end - at + 1 >= blockSize; at += blockSize)
        readFlashBlock(*this, channel, image, at, blockSize, end);

    const Address remaining = end - at + 1;
    if (remaining >= 1)
        readFlashBlock(*this, channel, image, at, roundUpEven(remaining), end);
    return true;
}

bool AVRBootloader::programEepromBlock(HEXFile& image)
{
    const Address blockSize = readBlockSize(channel, false);
    const Range range = checkedEepromRange(image);
    walkEepromBlocks(*this, range, blockSize, [&](Address at, Address count) {
        sendBlockHeader(channel, 'B', count, 'E');
        for (Address address = at; address < at + count; ++address) {
            channel.writeByte(image.byteAt(static_cast<std::uint32_t>(address)));
            channel.purgeTransmit();
        }
        if (channel.readByte() != carriageReturn)
            throw ReplyException(message::eepromBlockFailed);
    });
    return true;
}

bool AVRBootloader::fetchEepromBlock(HEXFile& image)
{
    const Address blockSize = readBlockSize(channel, false);
    const Range range = checkedEepromRange(image);
    walkEepromBlocks(*this, range, blockSize, [&](Address at, Address count) {
        sendBlockHeader(channel, 'g', count, 'E');
        channel.expectStream(static_cast<std::int32_t>(count));
        for (Address address = at; address < at + count; ++address)
            image.storeByte(static_cast<std::uint32_t>(address), channel.readByte());
    });
    return true;
}
