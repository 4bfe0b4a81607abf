#pragma once

#include <cstdint>
#include <memory>

// A fixed-size byte image of one target memory with a used range (both ends
// inclusive). Every buffer is born holding the built-in firmware image.
class HEXFile {
public:
    // Raises for a size of 0 or less. Fills with the low 8 bits of fill, then
    // copies the built-in image (as much as fits) to address 0.
    HEXFile(std::int32_t size, std::int32_t fill);
    ~HEXFile();
    HEXFile(const HEXFile&) = delete;
    HEXFile& operator=(const HEXFile&) = delete;

    // Raises, keeping the old range, unless start <= end < size.
    void limitRange(std::uint32_t start, std::uint32_t end);
    void fillAll(std::int32_t value);
    // Both raise for a position at or past the buffer's size.
    std::uint8_t byteAt(std::uint32_t position) const;
    void storeByte(std::uint32_t position, std::uint8_t value);

    std::uint32_t rangeStart() const { return usedStart; }
    std::uint32_t rangeEnd() const { return usedEnd; }
    std::int32_t size() const { return byteCount; }

private:
    std::unique_ptr<std::uint8_t[]> data;
    std::uint32_t usedStart;
    std::uint32_t usedEnd;
    std::int32_t byteCount;
};
