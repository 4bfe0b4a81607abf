#pragma once

#include "common/seam.h"

#include <cstddef>
#include <cstdint>
#include <span>

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

// Where the image's bytes are taken from when a buffer is filled with it and
// when it is checked: the constant array, unless a test puts other bytes in
// its place (a damaged copy) for the lifetime of a Seam<BuiltinImageBytes>::Scoped.
class BuiltinImageBytes {
public:
    BuiltinImageBytes() = default;
    BuiltinImageBytes(const BuiltinImageBytes&) = delete;
    BuiltinImageBytes& operator=(const BuiltinImageBytes&) = delete;
    virtual ~BuiltinImageBytes() = default;

    virtual std::span<const std::uint8_t> bytes() = 0;
};

template <>
BuiltinImageBytes& Seam<BuiltinImageBytes>::real();

inline std::span<const std::uint8_t> builtinImageBytes()
{
    return Seam<BuiltinImageBytes>::get().bytes();
}

// A bit flipped on the technician's disk or stick would otherwise be written
// and then "verified" against the same damaged bytes. Raises
// ImageDamagedException unless the bytes match the digest of the build.
void requireIntactBuiltinImage();
