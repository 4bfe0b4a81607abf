#pragma once

#include <cstddef>
#include <cstdint>

// The firmware that the tool writes into the instrument's flash from address 0,
// in the chip's own byte order (low byte of each instruction word first).
inline constexpr std::size_t builtinFirmwareLength = 81756;
extern const std::uint8_t builtinFirmwareImage[builtinFirmwareLength];
