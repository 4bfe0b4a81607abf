#include "common/general_exception.h"
#include "image/builtin_image.h"
#include "image/sha256.h"
#include "image/hex_file.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const char* const rangeMessage =
    "Помилка діапазону! Початок пам'яті має бути 0 або більше, а кінець в допустимій області!";
const char* const addressMessage = "Адреса більше за допустимий діапазон!";

std::string messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const GeneralException& error) {
        return error.what();
    }
    return "(no exception)";
}

TEST(BuiltinImage, TheRepositorysStandInIsRecognisedAsSuchWithItsDigest)
{
    EXPECT_TRUE(builtinFirmwareIsStandIn);
    EXPECT_STREQ(builtinFirmwareSha256, "a0d43e1d22c2d978634d3ae47c67d83fe796fe6f6ccda1323e866b6edcf301df");
    EXPECT_EQ(sha256Hex(builtinFirmwareImage), builtinFirmwareSha256);
}

// The standard's own examples: one block, and the message whose padding needs a second block.
TEST(BuiltinImage, DigestAtRunTimeIsTheStandardOne)
{
    const auto digestOf = [](std::string_view text) {
        return sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    };
    EXPECT_EQ(digestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(BuiltinImage, StartsWithVectorTableJumpAndHasItsLength)
{
    EXPECT_EQ(builtinFirmwareImage[0], 0x0C);
    EXPECT_EQ(builtinFirmwareImage[1], 0x94);
    EXPECT_EQ(sizeof builtinFirmwareImage, 81756u);
}

TEST(HexFile, FlashSizedBufferHoldsImageThenFillWithRangeOneBytePastIt)
{
    HEXFile file(131072, 255);
    for (std::uint32_t a = 0; a < builtinFirmwareLength; ++a)
        ASSERT_EQ(file.byteAt(a), builtinFirmwareImage[a]) << "at " << a;
    for (std::uint32_t a = builtinFirmwareLength; a < 131072; ++a)
        ASSERT_EQ(file.byteAt(a), 0xFF) << "at " << a;
    EXPECT_EQ(file.rangeStart(), 0u);
    EXPECT_EQ(file.rangeEnd(), 81756u);
    EXPECT_EQ(file.size(), 131072);
}

TEST(HexFile, NonPositiveSizesAreRefused)
{
    for (int size : {0, -5})
        EXPECT_EQ(messageOf([&] { HEXFile file(size, 255); }), "Неможливо створити HEX буфер із розміром нуль!")
            << size;
}

TEST(HexFile, BufferSmallerThanImageHoldsWhatFitsAndRangeStaysInside)
{
    HEXFile file(4096, 255);
    EXPECT_EQ(file.byteAt(4095), builtinFirmwareImage[4095]);
    EXPECT_EQ(file.rangeStart(), 0u);
    EXPECT_EQ(file.rangeEnd(), 4095u);
    EXPECT_EQ(messageOf([&] { (void)file.byteAt(4096); }), addressMessage);
}

TEST(HexFile, LimitRangeAcceptsInsideAndRefusesOutsideKeepingOldRange)
{
    struct Case {
        std::uint32_t start, end;
        bool accepted;
    };
    const Case cases[] = {
        {0, 131071, true}, {5, 5, true}, {0, 131072, false}, {10, 9, false},
        {static_cast<std::uint32_t>(-1), 100, false}, {static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1), false},
    };
    for (const Case& c : cases) {
        HEXFile file(131072, 255);
        file.limitRange(7, 8);
        if (c.accepted) {
            file.limitRange(c.start, c.end);
            EXPECT_EQ(file.rangeStart(), c.start);
            EXPECT_EQ(file.rangeEnd(), c.end);
        } else {
            EXPECT_EQ(messageOf([&] { file.limitRange(c.start, c.end); }), rangeMessage) << c.start << ".." << c.end;
            EXPECT_EQ(file.rangeStart(), 7u);
            EXPECT_EQ(file.rangeEnd(), 8u);
        }
    }
}

TEST(HexFile, AccessStopsAtTheBufferNotTheUsedRange)
{
    HEXFile file(131072, 0);
    file.limitRange(0, 10);
    file.storeByte(131071, 0x5A);
    EXPECT_EQ(file.byteAt(131071), 0x5A);
    EXPECT_EQ(messageOf([&] { (void)file.byteAt(131072); }), addressMessage);
    EXPECT_EQ(messageOf([&] { file.storeByte(131072, 1); }), addressMessage);
    EXPECT_EQ(messageOf([&] { file.storeByte(static_cast<std::uint32_t>(-1), 1); }), addressMessage);
}

TEST(HexFile, FillAllUsesLowByteAndErasesTheImageButNotTheRange)
{
    HEXFile file(131072, 0);
    file.fillAll(0x1FF);
    for (std::uint32_t a : {0u, 1u, 81755u, 131071u})
        EXPECT_EQ(file.byteAt(a), 0xFF);
    EXPECT_EQ(file.rangeEnd(), 81756u);
}

} // namespace
