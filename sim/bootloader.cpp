#include "sim/bootloader.h"

namespace sim {
namespace {

constexpr std::uint8_t cr = 13;
constexpr std::uint8_t esc = 27;
constexpr std::uint8_t deviceCode = 0x44;   // the one device code 't' lists
constexpr std::uint8_t noise[] = {0x00, 0xFF, 0x55, 0xAA, 'A', 0x0D, 0x7E, 0x80};

Action reply(std::initializer_list<std::uint8_t> bytes)
{
    Action action;
    action.reply = bytes;
    action.isCommand = true;
    return action;
}

Action done() { return reply({cr}); }

std::size_t argumentCount(std::uint8_t letter)
{
    switch (letter) {
    case 'A':
        return 2;
    case 'c': case 'C': case 'D': case 'l': case 'T': case 'x': case 'y':
        return 1;
    default:
        return 0;
    }
}

// The kind a fault selects a command by: its letter, and the memory letter for blocks.
std::string kindOf(std::span<const std::uint8_t> frame)
{
    std::string kind(1, static_cast<char>(frame[0]));
    if ((frame[0] == 'B' || frame[0] == 'g') && frame.size() >= 4)
        kind += static_cast<char>(frame[3]);
    return kind;
}

} // namespace

Bootloader::Bootloader(const Config& configuration, Chip& target) : config(configuration), chip(target) {}

void Bootloader::reset()
{
    currentMode = Mode::Listening;
    address = 0;
    lowByte = 0xFF;
    probeOpened = false;
    probeAnswered = false;
}

std::size_t Bootloader::frameLength(std::span<const std::uint8_t> input) const
{
    if (input.empty())
        return 0;
    if (currentMode != Mode::Active)
        return 1;
    const std::uint8_t letter = input[0];
    if ((letter == 'B' || letter == 'g') && config.blockSupport) {
        if (input.size() < 4)
            return 0;
        if (letter == 'g' || !blockHeaderAccepted(input.first(4)))
            return 4;
        const std::size_t total = 4 + ((std::size_t{input[1]} << 8) | input[2]);
        return input.size() >= total ? total : 0;
    }
    const std::size_t total = 1 + argumentCount(letter);
    return input.size() >= total ? total : 0;
}

bool Bootloader::blockHeaderAccepted(std::span<const std::uint8_t> header) const
{
    const std::uint16_t count = static_cast<std::uint16_t>((header[1] << 8) | header[2]);
    const bool knownMemory = header[3] == 'F' || header[3] == 'E';
    // A block write must fit the bootloader's RAM buffer; reads stream from memory.
    return knownMemory && (header[0] == 'g' || count <= config.blockSize);
}

Action Bootloader::execute(std::span<const std::uint8_t> frame)
{
    if (currentMode == Mode::Application)
        return {};
    if (currentMode == Mode::Listening)
        return listen(frame[0]);

    if (frame[0] == ']') {
        probeOpened = true;
        return {};
    }
    if (frame[0] == '[' && probeOpened) {
        probeOpened = false;
        return probeAnswer();
    }
    probeOpened = false;
    Action action = command(frame);
    applyReplyFaults(kindOf(frame), action);
    return action;
}

Action Bootloader::listen(std::uint8_t byte)
{
    // Until the probe has come, everything else on the line is ignored.
    if (byte == ']') {
        probeOpened = true;
        return {};
    }
    const bool probe = byte == '[' && probeOpened;
    probeOpened = false;
    if (!probe || config.faults.neverAnswerProbe)
        return {};
    currentMode = Mode::Active;
    return probeAnswer();
}

Action Bootloader::probeAnswer()
{
    Action action = reply({});
    if (!probeAnswered) {
        for (int i = 0; i < config.faults.noiseBeforeB; ++i)
            action.reply.push_back(noise[i % std::size(noise)]);
    }
    action.reply.push_back(static_cast<std::uint8_t>(config.faults.probeAnswer));
    probeAnswered = true;
    return action;
}

Action Bootloader::command(std::span<const std::uint8_t> frame)
{
    switch (frame[0]) {
    case 'S': {
        Action action = reply({});
        action.reply.assign(config.identifier.begin(), config.identifier.end());
        return action;
    }
    case 'V':
        return reply({config.softwareMajor, config.softwareMinor});
    case 'v':
        return reply({config.firmwareMajor, config.firmwareMinor});
    case 'p':
        return reply({'S'});
    case 't':
        return reply({deviceCode, 0});
    case 'T': case 'P': case 'L': case 'x': case 'y':
        return done();
    case esc:
        return {};
    case 'a':
        return reply({static_cast<std::uint8_t>(config.autoIncrement ? 'Y' : 'N')});
    case 'b':
        if (!config.blockSupport)
            return reply({'N'});
        return reply({'Y', static_cast<std::uint8_t>(config.blockSize >> 8),
                      static_cast<std::uint8_t>(config.blockSize & 0xFF)});
    case 'A':
        address = static_cast<std::uint16_t>((frame[1] << 8) | frame[2]);
        return done();
    case 'c':
        lowByte = frame[1];
        return done();
    case 'C':
        chip.loadPageBuffer(address, lowByte, frame[1]);
        lowByte = 0xFF;
        if (config.autoIncrement)
            advance(1);
        return done();
    case 'm':
        return writeFlashPage();
    case 'e': {
        Action action = done();
        action.busySeconds = chip.eraseApplicationSection() * pageEraseSeconds;
        return action;
    }
    case 'R': {
        const std::uint32_t byteAddress = std::uint32_t{address} * 2;
        Action action = reply({readFlash(byteAddress + 1), readFlash(byteAddress)});
        if (config.autoIncrement)
            advance(1);
        return action;
    }
    case 'D': {
        chip.writeEeprom(address, frame[1]);
        Action action = done();
        action.busySeconds = eepromWriteSeconds;
        if (config.autoIncrement)
            advance(1);
        return action;
    }
    case 'd': {
        Action action = reply({chip.eepromByte(address)});
        if (config.autoIncrement)
            advance(1);
        return action;
    }
    case 'l': {
        chip.programLockBits(frame[1]);
        Action action = done();
        action.busySeconds = pageWriteSeconds;
        return action;
    }
    case 'r':
        return reply({chip.lockBits});
    case 'F':
        return reply({config.fuseLow});
    case 'N':
        return reply({config.fuseHigh});
    case 'Q':
        return reply({config.fuseExtended});
    case 's':
        return reply({config.signature[2], config.signature[1], config.signature[0]});
    case 'E':
        currentMode = Mode::Application;
        return done();
    case 'B': case 'g':
        if (frame.size() < 4 || !blockHeaderAccepted(frame.first(4)))
            return reply({'?'});
        {
            const auto count = static_cast<std::uint16_t>((frame[1] << 8) | frame[2]);
            if (frame[0] == 'B')
                return blockWrite(count, frame[3], frame.subspan(4));
            return blockRead(count, frame[3]);
        }
    default:
        return reply({'?'});
    }
}

Action Bootloader::writeFlashPage()
{
    Action action = done();
    if (chip.writePage(address)) {
        action.pagesWritten = 1;
        action.busySeconds = pageWriteSeconds;
    }
    return action;
}

// Loads the block into the page buffer word by word and writes each page when
// the address crosses into the next one. A page left partly loaded at the end
// of the block is written too, so that everything acknowledged is in flash;
// words of it that were not loaded stay 0xFF in the buffer and so keep their
// flash content.
Action Bootloader::blockWrite(std::uint16_t count, std::uint8_t memory, std::span<const std::uint8_t> data)
{
    Action action = done();
    if (memory == 'E') {
        for (std::uint16_t i = 0; i < count; ++i) {
            chip.writeEeprom(address, data[i]);
            action.busySeconds += eepromWriteSeconds;
            advance(1);
        }
        return action;
    }
    auto writePage = [&](std::uint16_t wordAddress) {
        if (chip.writePage(wordAddress)) {
            ++action.pagesWritten;
            action.busySeconds += pageWriteSeconds;
        }
    };
    for (std::size_t i = 0; i < count; i += 2) {
        const std::uint8_t high = i + 1 < count ? data[i + 1] : 0xFF;
        chip.loadPageBuffer(address, data[i], high);
        advance(1);
        if (address % pageWords == 0)
            writePage(static_cast<std::uint16_t>(address - 1));
    }
    if (chip.pageBufferLoaded())
        writePage(static_cast<std::uint16_t>(address - 1));
    return action;
}

Action Bootloader::blockRead(std::uint16_t count, std::uint8_t memory)
{
    Action action = reply({});
    action.reply.reserve(count);
    if (memory == 'E') {
        for (std::uint16_t i = 0; i < count; ++i) {
            action.reply.push_back(chip.eepromByte(address));
            advance(1);
        }
        return action;
    }
    const std::uint32_t start = std::uint32_t{address} * 2;
    for (std::uint32_t i = 0; i < count; ++i)
        action.reply.push_back(readFlash(start + i));
    advance(static_cast<std::uint16_t>((count + 1) / 2));
    return action;
}

std::uint8_t Bootloader::readFlash(std::uint32_t byteAddress) const
{
    byteAddress %= flashSize;
    const std::uint8_t value = chip.flashByte(byteAddress);
    if (config.faults.corruptReadAddress == static_cast<std::int64_t>(byteAddress))
        return static_cast<std::uint8_t>(~value);
    return value;
}

void Bootloader::advance(std::uint16_t words)
{
    address = static_cast<std::uint16_t>(address + words);
}

void Bootloader::applyReplyFaults(const std::string& kind, Action& action)
{
    const Faults& faults = config.faults;
    action.kind = kind;
    const int count = ++commandCounts[kind];
    if (kind == faults.dropReplyCommand && count == faults.dropReplyIndex) {
        action.reply.clear();
        return;
    }
    if (kind == faults.wrongReplyCommand && count == faults.wrongReplyIndex && !action.reply.empty()) {
        // CR, or the first byte of a data reply, becomes the wrong byte.
        std::uint8_t& first = action.reply.front();
        first = first == faults.wrongReplyByte ? static_cast<std::uint8_t>(~first) : faults.wrongReplyByte;
    }
}

} // namespace sim
