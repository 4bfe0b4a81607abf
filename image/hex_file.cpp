#include "image/hex_file.h"

#include "common/general_exception.h"
#include "image/builtin_image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The used range a fresh buffer starts with: the built-in image and one byte
// past it, which keeps the fill value (an erased flash byte with fill 255).
// A buffer too small for that (the EEPROM's) ends at its last byte instead.
std::uint32_t initialRangeEnd(std::int32_t size)
{
    const auto wanted = static_cast<std::uint32_t>(builtinFirmwareLength);
    return std::min(wanted, static_cast<std::uint32_t>(size) - 1);
}

} // namespace

HEXFile::HEXFile(std::int32_t size, std::int32_t fill)
{
    if (size <= 0)
        throw GeneralException("Неможливо створити HEX буфер із розміром нуль!");
    data.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
    if (!data)
        throw GeneralException("Помилка розміщення даних в буфері HEX запису!");
    byteCount = size;
    fillAll(fill);
    usedStart = 0;
    usedEnd = initialRangeEnd(size);
    const std::span<const std::uint8_t> image = builtinImageBytes();
    const std::size_t copied = std::min(image.size(), static_cast<std::size_t>(size));
    std::memcpy(data.get(), image.data(), copied);
}

HEXFile::~HEXFile() = default;

void HEXFile::limitRange(std::uint32_t start, std::uint32_t end)
{
    if (end >= static_cast<std::uint32_t>(byteCount) || end < start)
        throw GeneralException(
            "Помилка діапазону! Початок пам'яті має бути 0 або більше, а кінець в допустимій області!");
    usedStart = start;
    usedEnd = end;
}

void HEXFile::fillAll(std::int32_t value)
{
    std::memset(data.get(), value & 0xFF, static_cast<std::size_t>(byteCount));
}

std::uint8_t HEXFile::byteAt(std::uint32_t position) const
{
    if (position >= static_cast<std::uint32_t>(byteCount))
        throw GeneralException("Адреса більше за допустимий діапазон!");
    return data[position];
}

void HEXFile::storeByte(std::uint32_t position, std::uint8_t value)
{
    if (position >= static_cast<std::uint32_t>(byteCount))
        throw GeneralException("Адреса більше за допустимий діапазон!");
    data[position] = value;
}
