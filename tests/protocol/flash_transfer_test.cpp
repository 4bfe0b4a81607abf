#include "protocol/avr_bootloader.h"

#include "tests/protocol/bootloader_trace.h"

#include <algorithm>
#include <functional>

using namespace trace;

namespace {

constexpr std::int32_t imageSize = 1024;

const char* const flashBlockFailed = "Помилка запису Флеш блока!\n Програматор не повернув CR після команди 'BxxF'.";

// The reply bytes of a write where the bootloader offers blocks of 'blockSize'
// and acknowledges every command with CR.
Bytes blockRepliesAllCr(const Trace& expected, int blockSize)
{
    const auto readCount = std::count(expected.begin(), expected.end(), "r");
    Bytes replies{'Y', hi(blockSize), lo(blockSize)};
    replies.insert(replies.end(), static_cast<std::size_t>(readCount - 3), 13);
    return replies;
}

Bytes withPadding(Bytes bytes)
{
    bytes.push_back(0xFF);
    return bytes;
}

struct BlockWrite {
    const char* name;
    std::uint32_t start, end;
    int blockSize, pageSize;
    std::function<Trace()> expected;
    std::vector<std::string> progress;
};

class FlashBlockWrite : public BootloaderTest, public ::testing::WithParamInterface<BlockWrite> {};

TEST_P(FlashBlockWrite, SendsTheExpectedFramesAndMovesTheBar)
{
    const BlockWrite& c = GetParam();
    auto image = patternImage(imageSize, c.start, c.end);
    loader.pageSize = c.pageSize;
    const Trace expected = c.expected();
    channel.reply(blockRepliesAllCr(expected, c.blockSize));

    EXPECT_TRUE(loader.programFlash(*image));
    EXPECT_TRUE(sent(expected));
    EXPECT_EQ(progressLog(), c.progress);
    EXPECT_TRUE(channel.replies.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bootloader, FlashBlockWrite,
    ::testing::Values(
        BlockWrite{"OnlyATailPaddedToAWord", 0, 4, 256, 128,
                   [] {
                       Trace calls = blockQueryWithSize();
                       calls += setAddress(0);
                       calls += flashBlockWrite(withPadding(patternBytes(0, 4)));
                       return calls;
                   },
                   {"max 4", "pos 0"}},
        BlockWrite{"OddStartLoadedByWordsThenBlocks", 3, 10, 4, 128,
                   [] {
                       Trace calls = blockQueryWithSize();
                       calls += setAddress(1);
                       calls += low(0xFF);
                       calls += high(patternByte(3));
                       calls += setAddress(2);
                       calls += flashBlockWrite(patternBytes(4, 7));
                       calls += setAddress(4);
                       calls += flashBlockWrite(withPadding(patternBytes(8, 10)));
                       return calls;
                   },
                   {"max 7", "pos 8", "pos 0"}},
        BlockWrite{"AlignmentBlockCutShortByTheRangeEnd", 2, 6, 8, 128,
                   [] {
                       Trace calls = blockQueryWithSize();
                       calls += setAddress(1);
                       calls += flashBlockWrite(patternBytes(2, 5));
                       calls += setAddress(3);
                       calls += flashBlockWrite(withPadding(patternBytes(6, 6)));
                       return calls;
                   },
                   {"max 4", "pos 0"}},
        BlockWrite{"OddStartCommittedAtAPageBoundary", 7, 20, 4, 8,
                   [] {
                       Trace calls = blockQueryWithSize();
                       calls += setAddress(3);
                       calls += low(0xFF);
                       calls += high(patternByte(7));
                       calls += commit(8);
                       calls += setAddress(4);
                       calls += flashBlockWrite(patternBytes(8, 11));
                       calls += setAddress(6);
                       calls += flashBlockWrite(patternBytes(12, 15));
                       calls += setAddress(8);
                       calls += flashBlockWrite(patternBytes(16, 19));
                       calls += setAddress(10);
                       calls += flashBlockWrite(withPadding(patternBytes(20, 20)));
                       return calls;
                   },
                   {"max 13", "pos 12", "pos 16", "pos 20", "pos 0"}},
        BlockWrite{"SingleOddByteIsCommittedAndNothingElseSent", 5, 5, 4, 128,
                   [] {
                       Trace calls = blockQueryWithSize();
                       calls += setAddress(2);
                       calls += low(0xFF);
                       calls += high(patternByte(5));
                       calls += commit(6);
                       return calls;
                   },
                   {"max 0", "pos 0"}},
        BlockWrite{"AlignedRangeOfWholeBlocks", 8, 23, 8, 128,
                   [] {
                       Trace calls = blockQueryWithSize();
                       calls += setAddress(4);
                       calls += flashBlockWrite(patternBytes(8, 15));
                       calls += setAddress(8);
                       calls += flashBlockWrite(patternBytes(16, 23));
                       return calls;
                   },
                   {"max 15", "pos 16", "pos 24", "pos 0"}}),
    CaseName{});

struct BlockFailure {
    const char* name;
    std::uint32_t start, end;
    Bytes replies; // after 'Y' and the block size 4
    std::vector<std::string> progress;
};

class FlashBlockWriteFailure : public BootloaderTest, public ::testing::WithParamInterface<BlockFailure> {};

TEST_P(FlashBlockWriteFailure, RaisesTheBlockMessageAndLeavesTheBarAsSpecified)
{
    auto image = patternImage(imageSize, GetParam().start, GetParam().end);
    loader.pageSize = 128;
    channel.reply({'Y', 0, 4});
    channel.reply(GetParam().replies);
    EXPECT_TRUE(raises<ReplyException>([&] { loader.programFlash(*image); }, flashBlockFailed));
    EXPECT_EQ(progressLog(), GetParam().progress);
    EXPECT_TRUE(channel.replies.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bootloader, FlashBlockWriteFailure,
    ::testing::Values(BlockFailure{"AlignmentBlockLeavesTheBarUntouched", 2, 9, {13, '?'}, {}},
                      BlockFailure{"FirstFullBlockResetsTheBar", 0, 9, {13, '?'}, {"max 9", "pos 0"}},
                      BlockFailure{"LaterFullBlockResetsTheBar", 0, 9, {13, 13, 13, 0}, {"max 9", "pos 4", "pos 0"}},
                      BlockFailure{"TailAfterTheBarWasReset", 0, 4, {13, 13, 13, '?'}, {"max 4", "pos 4", "pos 0"}}),
    CaseName{});

struct BytePath {
    const char* name;
    std::uint8_t blockAnswer;
    bool autoIncrement;
};

class FlashBytePathWrite : public BootloaderTest, public ::testing::WithParamInterface<BytePath> {};

// Range 3..8 with pages of 4 bytes: an odd start, a page boundary after the
// first and the third word, and a last byte alone at an even address.
TEST_P(FlashBytePathWrite, LoadsWordsAndCommitsAtPageBoundaries)
{
    const BytePath& c = GetParam();
    auto image = patternImage(imageSize, 3, 8);
    loader.pageSize = 4;
    const auto everyWord = [&](int word) { return c.autoIncrement ? Trace{} : setAddress(word); };

    Trace expected = frame({'b'}, 1);
    expected += autoIncrementQuery();
    expected += setAddress(1);
    expected += low(0xFF);
    expected += high(patternByte(3));
    expected += commit(4);
    expected += everyWord(2);
    expected += low(patternByte(4));
    expected += high(patternByte(5));
    expected += everyWord(3);
    expected += low(patternByte(6));
    expected += high(patternByte(7));
    expected += commit(8);
    expected += everyWord(4);
    expected += low(patternByte(8));
    expected += high(0xFF);
    expected += setAddress(4);
    expected += page();

    channel.reply({c.blockAnswer, std::uint8_t(c.autoIncrement ? 'Y' : 'N')});
    channel.reply(Bytes(static_cast<std::size_t>(std::count(expected.begin(), expected.end(), "r") - 2), 13));

    EXPECT_TRUE(loader.programFlash(*image));
    EXPECT_TRUE(sent(expected));
    EXPECT_TRUE(progressLog().empty());
}

INSTANTIATE_TEST_SUITE_P(Bootloader, FlashBytePathWrite,
                         ::testing::Values(BytePath{"NoWithAutoIncrement", 'N', true},
                                           BytePath{"QuestionMarkWithoutAutoIncrement", '?', false}),
                         CaseName{});

TEST_F(BootloaderTest, WordReadStoresTheHighByteAboveTheLowByte)
{
    auto image = patternImage(imageSize, 4, 5);
    loader.pageSize = 128;
    channel.reply({'N', 'Y', 13, 0x12, 0x34});
    EXPECT_TRUE(loader.fetchFlash(*image));
    EXPECT_EQ(image->byteAt(4), 0x34);
    EXPECT_EQ(image->byteAt(5), 0x12);

    Trace expected = blockQuery();
    expected += autoIncrementQuery();
    expected += setAddress(2);
    expected += wordRead();
    EXPECT_TRUE(sent(expected));
}

class FlashBytePathRead : public BootloaderTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FlashBytePathRead, OddStartAndLoneLastByteKeepOnlyTheirHalf)
{
    const bool autoIncrement = GetParam();
    auto image = patternImage(imageSize, 1, 4);
    loader.pageSize = 128;
    const auto everyWord = [&](int word) { return autoIncrement ? Trace{} : setAddress(word); };

    Trace expected = blockQuery();
    expected += autoIncrementQuery();
    expected += setAddress(0);
    expected += wordRead();
    expected += everyWord(1);
    expected += wordRead();
    expected += everyWord(2);
    expected += wordRead();

    channel.reply({'N', std::uint8_t(autoIncrement ? 'Y' : 'N'), 13, 0xA1, 0xA0});
    for (Bytes word : {Bytes{0xA3, 0xA2}, Bytes{0xA5, 0xA4}}) {
        if (!autoIncrement)
            channel.replyCr();
        channel.reply(word);
    }

    EXPECT_TRUE(loader.fetchFlash(*image));
    EXPECT_TRUE(sent(expected));
    EXPECT_EQ(image->byteAt(0), 0xEE);
    EXPECT_EQ(image->byteAt(1), 0xA1);
    EXPECT_EQ(image->byteAt(2), 0xA2);
    EXPECT_EQ(image->byteAt(3), 0xA3);
    EXPECT_EQ(image->byteAt(4), 0xA4);
    EXPECT_EQ(image->byteAt(5), 0xEE);
}

INSTANTIATE_TEST_SUITE_P(Bootloader, FlashBytePathRead, ::testing::Bool());

// Range 1..14, blocks of 4: an odd byte by word read, a 2-byte alignment
// block, two full blocks and a 3-byte tail read as 4.
TEST_F(BootloaderTest, FlashBlockReadStoresOnlyTheRange)
{
    auto image = patternImage(imageSize, 1, 14);
    loader.pageSize = 128;
    channel.reply({'Y', 0, 4});
    channel.reply({13, 0xB1, 0xB0});                       // odd start: high byte kept
    channel.reply({13, 0xC2, 0xC3});                       // alignment block
    channel.reply({13, 0xC4, 0xC5, 0xC6, 0xC7});           // full block
    channel.reply({13, 0xC8, 0xC9, 0xCA, 0xCB});           // full block
    channel.reply({13, 0xCC, 0xCD, 0xCE, 0xCF});           // tail, last byte dropped

    EXPECT_TRUE(loader.fetchFlash(*image));

    Trace expected = blockQueryWithSize();
    expected += setAddress(0);
    expected += wordRead();
    expected += setAddress(1);
    expected += flashBlockRead(2);
    expected += setAddress(2);
    expected += flashBlockRead(4);
    expected += setAddress(4);
    expected += flashBlockRead(4);
    expected += setAddress(6);
    expected += flashBlockRead(4);
    EXPECT_TRUE(sent(expected));
    EXPECT_EQ(channel.announcedStreams, (std::vector<std::int32_t>{2, 4, 4, 4}));

    EXPECT_EQ(image->byteAt(0), 0xEE);
    EXPECT_EQ(image->byteAt(1), 0xB1);
    for (std::uint32_t address = 2; address <= 14; ++address)
        EXPECT_EQ(image->byteAt(address), 0xC0 + address) << "address " << address;
    EXPECT_EQ(image->byteAt(15), 0xEE);
    EXPECT_TRUE(progressLog().empty());
}

struct UnusablePageSize {
    std::int32_t pageSize;
    bool write;
    const char* message;
};

class FlashWithoutPageSize : public BootloaderTest, public ::testing::WithParamInterface<UnusablePageSize> {};

TEST_P(FlashWithoutPageSize, IsRefusedBeforeAnythingIsSent)
{
    auto image = patternImage(imageSize, 0, 9);
    loader.pageSize = GetParam().pageSize;
    const auto run = [&] { GetParam().write ? loader.programFlash(*image) : loader.fetchFlash(*image); };
    EXPECT_TRUE(raises<GeneralException>(run, GetParam().message));
    EXPECT_TRUE(channel.trace.empty());
}

const char* const notPositive = "Розмір сторінки програматора має бути більшим за нуль!";

INSTANTIATE_TEST_SUITE_P(Bootloader, FlashWithoutPageSize,
                         ::testing::Values(UnusablePageSize{-1, true, "Розмір сторінки програматора не установлений!"},
                                           UnusablePageSize{-1, false, "Розмір сторінки програматора не установлениий!"},
                                           UnusablePageSize{0, true, notPositive},
                                           UnusablePageSize{0, false, notPositive},
                                           UnusablePageSize{-5, true, notPositive}));

} // namespace
