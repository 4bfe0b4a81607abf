#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 of a byte sequence, for the service record's fingerprint of the
// built-in image. Feed data in any number of pieces, then take the digest once.
class Sha256 {
public:
    Sha256();
    void update(const std::uint8_t* bytes, std::size_t count);
    std::array<std::uint8_t, 32> digest();

    // Lower-case hexadecimal digest of one buffer.
    static std::string hex(const std::uint8_t* bytes, std::size_t count);

private:
    void compressBlock(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state;
    std::array<std::uint8_t, 64> pending{};
    std::size_t pendingCount = 0;
    std::uint64_t totalBytes = 0;
};
