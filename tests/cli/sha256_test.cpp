#include "cli/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string hexOf(const std::string& text)
{
    return Sha256::hex(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::vector<std::uint8_t> pattern(std::size_t length)
{
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

TEST(Sha256, PublishedVectorsGiveTheirDigests)
{
    EXPECT_EQ(hexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hexOf(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Lengths around the padding boundaries: the length field either fits behind
// the marker in the last block or needs a block of its own.
TEST(Sha256, LengthsAroundThePaddingBoundaryGiveTheRightDigests)
{
    const struct {
        std::size_t length;
        const char* digest;
    } cases[] = {
        {55, "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
        {56, "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
        {63, "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
        {64, "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
        {65, "aacca6ff74fdbb296d165a45cecfa04e5127bc008770fbbdd48006f2d2fae95e"},
        {119, "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
        {120, "7836b787757e95e58b3ca5aec90b1b004e8deba1e50e9675af9cabf1a13a04b5"},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> bytes = pattern(c.length);
        EXPECT_EQ(Sha256::hex(bytes.data(), bytes.size()), c.digest) << "length " << c.length;
    }
}

TEST(Sha256, DataFedInPiecesGivesTheSameDigestAsInOneGo)
{
    const std::vector<std::uint8_t> bytes = pattern(1000);
    const std::string whole = Sha256::hex(bytes.data(), bytes.size());
    for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 200u}) {
        Sha256 hash;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            hash.update(bytes.data() + at, std::min(piece, bytes.size() - at));
        std::string text;
        for (std::uint8_t byte : hash.digest()) {
            char two[3];
            std::snprintf(two, sizeof two, "%02x", byte);
            text += two;
        }
        EXPECT_EQ(text, whole) << "pieces of " << piece;
    }
}

} // namespace
