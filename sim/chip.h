#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The ATmega128's memories as its self-programming bootloader sees them:
// flash written through the SPM page buffer, EEPROM, lock and fuse bytes.
namespace sim {

constexpr std::uint32_t flashSize = 128 * 1024;
constexpr std::uint32_t pageWords = 128;
constexpr std::uint32_t pageSize = pageWords * 2;
constexpr std::uint32_t bootSectionStart = 0x1E000;   // 8 KiB boot section at the top
constexpr std::uint32_t applicationPages = bootSectionStart / pageSize;
constexpr std::uint32_t eepromSize = 4 * 1024;

class Chip {
public:
    Chip();

    // Puts raw bytes into flash from address 0, as an external programmer would.
    void loadFlash(const std::vector<std::uint8_t>& bytes);

    // Loads one word into the page buffer. The buffer is indexed by the word's
    // offset inside its page only, as on the real chip.
    void loadPageBuffer(std::uint16_t wordAddress, std::uint8_t low, std::uint8_t high);
    bool pageBufferLoaded() const { return bufferLoaded; }
    // Programs the page that holds wordAddress from the page buffer and clears
    // the buffer. Programming only clears bits. Returns false (and writes
    // nothing) for a page in the boot section.
    bool writePage(std::uint16_t wordAddress);
    // Sets every byte of the application section to 0xFF; returns the pages erased.
    std::uint32_t eraseApplicationSection();

    std::uint8_t flashByte(std::uint32_t byteAddress) const { return flashBytes[byteAddress % flashSize]; }
    const std::vector<std::uint8_t>& flash() const { return flashBytes; }

    std::uint8_t eepromByte(std::uint16_t address) const { return eepromBytes[address % eepromSize]; }
    // An EEPROM write is an erase and a write: the byte takes the value exactly.
    void writeEeprom(std::uint16_t address, std::uint8_t value) { eepromBytes[address % eepromSize] = value; }
    const std::vector<std::uint8_t>& eeprom() const { return eepromBytes; }

    std::uint8_t lockBits = 0xFF;
    // Lock bits can only be programmed (cleared) from software; bits 7 and 6 read as one.
    void programLockBits(std::uint8_t value) { lockBits &= static_cast<std::uint8_t>(value | 0xC0); }

private:
    std::vector<std::uint8_t> flashBytes;
    std::vector<std::uint8_t> eepromBytes;
    std::array<std::uint8_t, pageSize> pageBuffer{};
    bool bufferLoaded = false;
};

} // namespace sim
