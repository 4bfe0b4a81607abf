#include "sim/instrument.h"
#include "tests/sim/pty_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>

namespace {

constexpr std::size_t page = 256;
constexpr std::uint32_t bootSection = 0x1E000;

std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(generator());
    return bytes;
}

std::vector<std::uint8_t> addressCommand(std::uint32_t address)
{
    return bytesOf({'A', int(address >> 8) & 0xFF, int(address & 0xFF)});
}

void expectCr(PtyHost& host, const std::vector<std::uint8_t>& command)
{
    ASSERT_EQ(host.exchange(command, 1), crReply) << "command " << char(command[0]);
}

// Word by word as a host without block support does it: 'c' and 'C' per word,
// and the page written whenever the next address starts a new page, and at the end.
void writeWords(PtyHost& host, std::uint32_t byteAddress, const std::vector<std::uint8_t>& data, bool autoIncrement)
{
    expectCr(host, addressCommand(byteAddress / 2));
    for (std::size_t i = 0; i < data.size(); i += 2) {
        const std::uint32_t word = static_cast<std::uint32_t>((byteAddress + i) / 2);
        if (!autoIncrement)
            expectCr(host, addressCommand(word));
        expectCr(host, {'c', data[i]});
        expectCr(host, {'C', i + 1 < data.size() ? data[i + 1] : std::uint8_t{0xFF}});
        const std::size_t next = byteAddress + i + 2;
        if (next % page == 0 || i + 2 >= data.size()) {
            expectCr(host, addressCommand(word));
            expectCr(host, {'m'});
            expectCr(host, addressCommand(word + 1));
        }
    }
}

// Page-aligned blocks of 256 bytes and a last block padded to an even length.
void writeBlocks(PtyHost& host, std::uint32_t byteAddress, const std::vector<std::uint8_t>& data)
{
    for (std::size_t i = 0; i < data.size(); i += page) {
        std::vector<std::uint8_t> chunk(data.begin() + i, data.begin() + std::min(data.size(), i + page));
        if (chunk.size() % 2)
            chunk.push_back(0xFF);
        expectCr(host, addressCommand(static_cast<std::uint32_t>((byteAddress + i) / 2)));
        std::vector<std::uint8_t> frame = bytesOf({'B', int(chunk.size() >> 8), int(chunk.size() & 0xFF), 'F'});
        frame.insert(frame.end(), chunk.begin(), chunk.end());
        expectCr(host, frame);
    }
}

std::vector<std::uint8_t> readBlock(PtyHost& host, std::uint32_t byteAddress, std::size_t count, char memory = 'F')
{
    expectCr(host, addressCommand(memory == 'F' ? byteAddress / 2 : byteAddress));
    return host.exchange(bytesOf({'g', int(count >> 8), int(count & 0xFF), memory}), count);
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count)
{
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

struct Caught {
    explicit Caught(sim::Config config = {}) : instrument(std::move(config)), host(instrument.devicePath())
    {
        if (!host.catchBootloader())
            throw std::runtime_error("bootloader not caught");
    }
    sim::Instrument instrument;
    PtyHost host;
};

TEST(InstrumentMemory, ProgrammingOnlyClearsBitsUntilThePageIsErased)
{
    Caught chip;
    const std::vector<std::uint8_t> first(page, 0xF0);
    std::vector<std::uint8_t> second(page, 0x3C);
    second[0] = 0x0F;

    writeWords(chip.host, 2 * page, first, true);
    EXPECT_EQ(slice(chip.instrument.flash(), 2 * page, page), first);

    writeWords(chip.host, 2 * page, second, true);
    std::vector<std::uint8_t> anded(page, 0x30);
    anded[0] = 0x00;
    EXPECT_EQ(slice(chip.instrument.flash(), 2 * page, page), anded);
    EXPECT_EQ(readBlock(chip.host, 2 * page, page), anded);

    expectCr(chip.host, {'e'});
    writeWords(chip.host, 2 * page, second, true);
    EXPECT_EQ(readBlock(chip.host, 2 * page, page), second);
    EXPECT_EQ(chip.instrument.counters().pagesWritten, 3u);
}

TEST(InstrumentMemory, BlockAndWordPathsGiveTheSameFlash)
{
    const auto image = randomBytes(3 * page + 231, 7);   // odd tail in a partly filled last page
    std::vector<std::uint8_t> expected(128 * 1024, 0xFF);
    std::copy(image.begin(), image.end(), expected.begin());

    Caught blocks;
    writeBlocks(blocks.host, 0, image);
    EXPECT_EQ(blocks.instrument.flash(), expected);
    EXPECT_EQ(readBlock(blocks.host, 0, image.size() + 1), slice(expected, 0, image.size() + 1));

    Caught words;
    writeWords(words.host, 0, image, true);
    EXPECT_EQ(words.instrument.flash(), expected);

    sim::Config fixedAddress;
    fixedAddress.autoIncrement = false;
    Caught addressed(fixedAddress);
    writeWords(addressed.host, 0, image, false);
    EXPECT_EQ(addressed.instrument.flash(), expected);
    expectCr(addressed.host, addressCommand(1));
    EXPECT_EQ(addressed.host.exchange({'R'}, 2), (std::vector<std::uint8_t>{image[3], image[2]}));
}

TEST(InstrumentMemory, WordLoadedBeforeABlockIsWrittenWithItsPage)
{
    Caught chip;
    expectCr(chip.host, addressCommand(page / 2));
    expectCr(chip.host, {'c', 0xFF});
    expectCr(chip.host, {'C', 0x11});
    const auto rest = randomBytes(page - 2, 3);
    std::vector<std::uint8_t> frame = bytesOf({'B', 0, int(rest.size()), 'F'});
    frame.insert(frame.end(), rest.begin(), rest.end());
    expectCr(chip.host, frame);

    const auto flash = chip.instrument.flash();
    EXPECT_EQ(flash[page], 0xFF);
    EXPECT_EQ(flash[page + 1], 0x11);
    EXPECT_EQ(slice(flash, page + 2, rest.size()), rest);
    EXPECT_EQ(chip.instrument.counters().pagesWritten, 1u);
}

TEST(InstrumentMemory, ChipEraseSparesTheBootSectionWhichIsNeverWritten)
{
    const std::string file = testing::TempDir() + "veltor_sim_flash.bin";
    {
        std::ofstream out(file, std::ios::binary);
        const std::vector<char> content(128 * 1024, 0x5A);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    sim::Config config;
    config.initialFlashFile = file;
    Caught chip(config);
    std::remove(file.c_str());

    expectCr(chip.host, {'e'});
    writeBlocks(chip.host, bootSection, std::vector<std::uint8_t>(page, 0x00));
    writeWords(chip.host, bootSection + page, std::vector<std::uint8_t>(4, 0x00), true);

    const auto flash = chip.instrument.flash();
    EXPECT_EQ(slice(flash, 0, bootSection), std::vector<std::uint8_t>(bootSection, 0xFF));
    EXPECT_EQ(slice(flash, bootSection, flash.size() - bootSection),
              std::vector<std::uint8_t>(flash.size() - bootSection, 0x5A));
    EXPECT_EQ(chip.instrument.counters().pagesWritten, 0u);
}

TEST(InstrumentMemory, EepromTakesEachValueExactlyOnByteAndBlockPaths)
{
    Caught chip;
    expectCr(chip.host, addressCommand(0xFFE));
    expectCr(chip.host, {'D', 0xF0});
    expectCr(chip.host, {'D', 0x34});
    expectCr(chip.host, addressCommand(0xFFE));
    expectCr(chip.host, {'D', 0x0F});   // not ANDed: an EEPROM write erases first
    expectCr(chip.host, addressCommand(0x10));
    expectCr(chip.host, {'B', 0, 3, 'E', 1, 2, 3});

    const auto eeprom = chip.instrument.eeprom();
    ASSERT_EQ(eeprom.size(), 4096u);
    EXPECT_EQ(eeprom[0xFFE], 0x0F);
    EXPECT_EQ(eeprom[0xFFF], 0x34);
    EXPECT_EQ(readBlock(chip.host, 0x10, 4, 'E'), (std::vector<std::uint8_t>{1, 2, 3, 0xFF}));
    expectCr(chip.host, addressCommand(0xFFF));
    EXPECT_EQ(chip.host.exchange({'d'}, 1), std::vector<std::uint8_t>{0x34});
}

TEST(InstrumentMemory, CapabilitiesAndRefusalsAsConfigured)
{
    sim::Config config;
    config.blockSupport = false;
    config.autoIncrement = false;
    Caught plain(config);
    EXPECT_EQ(plain.host.exchange({'b'}, 1), std::vector<std::uint8_t>{'N'});
    EXPECT_EQ(plain.host.exchange({'a'}, 1), std::vector<std::uint8_t>{'N'});
    EXPECT_EQ(plain.host.exchange({'B'}, 1), std::vector<std::uint8_t>{'?'});
    EXPECT_EQ(plain.host.exchange({'g'}, 1), std::vector<std::uint8_t>{'?'});
    expectCr(plain.host, {'D', 0x42});
    expectCr(plain.host, {'D', 0x43});   // same address: no auto-increment
    EXPECT_EQ(plain.host.exchange({'d'}, 1), std::vector<std::uint8_t>{0x43});

    Caught chip;
    EXPECT_EQ(chip.host.exchange(bytesOf({'B', 0x01, 0x01, 'F'}), 1), std::vector<std::uint8_t>{'?'})
        << "a block larger than the block size does not fit the buffer";
    EXPECT_EQ(chip.host.exchange(bytesOf({'g', 0, 2, 'X'}), 1), std::vector<std::uint8_t>{'?'});
    expectCr(chip.host, {'l', 0xFC});
    expectCr(chip.host, {'l', 0xF3});
    EXPECT_EQ(chip.host.exchange({'r'}, 1), std::vector<std::uint8_t>{0xF0});
}

} // namespace
