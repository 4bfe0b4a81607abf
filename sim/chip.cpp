#include "sim/chip.h"

#include <algorithm>
#include <stdexcept>

namespace sim {

Chip::Chip() : flashBytes(flashSize, 0xFF), eepromBytes(eepromSize, 0xFF)
{
    pageBuffer.fill(0xFF);
}

void Chip::loadFlash(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() > flashSize)
        throw std::runtime_error("flash content larger than 128 KiB");
    std::copy(bytes.begin(), bytes.end(), flashBytes.begin());
}

void Chip::loadPageBuffer(std::uint16_t wordAddress, std::uint8_t low, std::uint8_t high)
{
    const std::uint32_t offset = (wordAddress % pageWords) * 2;
    pageBuffer[offset] = low;
    pageBuffer[offset + 1] = high;
    bufferLoaded = true;
}

bool Chip::writePage(std::uint16_t wordAddress)
{
    const std::uint32_t pageStart = (std::uint32_t{wordAddress} / pageWords) * pageSize;
    const bool writable = pageStart < bootSectionStart;
    if (writable) {
        for (std::uint32_t i = 0; i < pageSize; ++i)
            flashBytes[pageStart + i] &= pageBuffer[i];
    }
    pageBuffer.fill(0xFF);
    bufferLoaded = false;
    return writable;
}

std::uint32_t Chip::eraseApplicationSection()
{
    std::fill(flashBytes.begin(), flashBytes.begin() + bootSectionStart, 0xFF);
    return applicationPages;
}

} // namespace sim
