#include "image/sha256.h"

#include <array>
#include <cstdio>

namespace {

using Word = std::uint32_t;

constexpr std::array<Word, 64> roundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr Word rotateRight(Word value, int bits) { return (value >> bits) | (value << (32 - bits)); }

class Digest {
public:
    void add(std::uint8_t byte)
    {
        block[filled++] = byte;
        if (filled == block.size()) {
            compress();
            filled = 0;
        }
    }

    // Pads the message as the standard prescribes and returns the digest.
    std::string finish(std::uint64_t messageBytes)
    {
        add(0x80);
        while (filled != block.size() - 8)
            add(0);
        const std::uint64_t bits = messageBytes * 8;
        for (int shift = 56; shift >= 0; shift -= 8)
            add(static_cast<std::uint8_t>(bits >> shift));
        std::string hex;
        for (Word word : state) {
            char text[9];
            std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(word));
            hex += text;
        }
        return hex;
    }

private:
    void compress()
    {
        std::array<Word, 64> schedule{};
        for (std::size_t i = 0; i < 16; ++i)
            schedule[i] = Word{block[4 * i]} << 24 | Word{block[4 * i + 1]} << 16 | Word{block[4 * i + 2]} << 8 |
                          Word{block[4 * i + 3]};
        for (std::size_t i = 16; i < 64; ++i) {
            const Word s0 = rotateRight(schedule[i - 15], 7) ^ rotateRight(schedule[i - 15], 18) ^ (schedule[i - 15] >> 3);
            const Word s1 = rotateRight(schedule[i - 2], 17) ^ rotateRight(schedule[i - 2], 19) ^ (schedule[i - 2] >> 10);
            schedule[i] = schedule[i - 16] + s0 + schedule[i - 7] + s1;
        }
        std::array<Word, 8> v = state;
        for (std::size_t i = 0; i < 64; ++i) {
            const Word s1 = rotateRight(v[4], 6) ^ rotateRight(v[4], 11) ^ rotateRight(v[4], 25);
            const Word choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const Word t1 = v[7] + s1 + choice + roundConstants[i] + schedule[i];
            const Word s0 = rotateRight(v[0], 2) ^ rotateRight(v[0], 13) ^ rotateRight(v[0], 22);
            const Word majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            v = {t1 + s0 + majority, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (std::size_t i = 0; i < 8; ++i)
            state[i] += v[i];
    }

    std::array<Word, 8> state = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<std::uint8_t, 64> block{};
    std::size_t filled = 0;
};

} // namespace

std::string sha256Hex(std::span<const std::uint8_t> bytes)
{
    Digest digest;
    for (std::uint8_t byte : bytes)
        digest.add(byte);
    return digest.finish(bytes.size());
}
