#pragma once

#include <cstddef>
#include <cstdint>

// The firmware that the tool writes into the instrument's flash from address 0,
// in the chip's own byte order (low byte of each instruction word first).
inline constexpr std::size_t builtinFirmwareLength = 81756;
extern const std::uint8_t builtinFirmwareImage[builtinFirmwareLength];

// True when the build carries the repository's stand-in instead of the real
// firmware: such a build must never be used on an instrument.
extern const bool builtinFirmwareIsStandIn;

// The image's SHA-256 in lower-case hex, computed when the image was embedded.
extern const char* const builtinFirmwareSha256;

inline constexpr const char* standInFirmwareWarning =
    "Увага: ця збірка містить тестову заміну мікропрограми, а не мікропрограму VELTOR 3.58. "
    "Не використовуйте її для оновлення приладів!";
