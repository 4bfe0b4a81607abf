#pragma once

#include <chrono>
#include <cstdint>

// The line to the instrument: 115200 bit/s, and a byte with its start bit,
// 8 data bits and two stop bits takes 11 bits of it.
inline constexpr std::uint32_t lineBitsPerSecond = 115200;
inline constexpr std::chrono::nanoseconds byteOnLine{11'000'000'000LL / lineBitsPerSecond};
