#include "protocol/avr_bootloader.h"

#include "tests/protocol/bootloader_trace.h"

using namespace trace;

namespace {

constexpr std::int32_t eepromSize = 4096;

// A fresh loader has no page size: the EEPROM transfers do not need one.
TEST_F(BootloaderTest, EepromBlockWriteSplitsTheRangeAndPurgesAfterEveryDataByte)
{
    auto image = patternImage(eepromSize, 0, 9);
    channel.reply({'Y', 0, 4});
    channel.replyCr(6);

    EXPECT_TRUE(loader.programEeprom(*image));

    Trace expected = blockQueryWithSize();
    expected += setAddress(0);
    expected += eepromBlockWrite(patternBytes(0, 3));
    expected += setAddress(4);
    expected += eepromBlockWrite(patternBytes(4, 7));
    expected += setAddress(8);
    expected += eepromBlockWrite(patternBytes(8, 9));
    EXPECT_TRUE(sent(expected));
    EXPECT_TRUE(progressLog().empty());
}

TEST_F(BootloaderTest, EepromBlockReadStoresEveryByteOfTheRange)
{
    auto image = patternImage(eepromSize, 3, 8);
    channel.reply({'Y', 0, 4});
    channel.reply({13, 0xD3, 0xD4, 0xD5, 0xD6});
    channel.reply({13, 0xD7, 0xD8});

    EXPECT_TRUE(loader.fetchEeprom(*image));

    Trace expected = blockQueryWithSize();
    expected += setAddress(3);
    expected += eepromBlockRead(4);
    expected += setAddress(7);
    expected += eepromBlockRead(2);
    EXPECT_TRUE(sent(expected));
    EXPECT_EQ(channel.announcedStreams, (std::vector<std::int32_t>{4, 2}));
    EXPECT_EQ(image->byteAt(2), 0xEE);
    for (std::uint32_t address = 3; address <= 8; ++address)
        EXPECT_EQ(image->byteAt(address), 0xD0 + address);
    EXPECT_EQ(image->byteAt(9), 0xEE);
}

TEST_F(BootloaderTest, EepromBlockWithoutCrRaisesTheBlockMessage)
{
    auto image = patternImage(eepromSize, 0, 9);
    channel.reply({'Y', 0, 4, 13, 13, 13, 'N'});
    EXPECT_TRUE(raises<ReplyException>(
        [&] { loader.programEeprom(*image); },
        "Помилка запису блока в EEPROM!\n Програматор не повернув CR після команди 'BxxE'."));
}

class EepromBytePath : public BootloaderTest, public ::testing::WithParamInterface<bool> {
protected:
    bool autoIncrement() const { return GetParam(); }
    Trace everyByte(int address) const { return autoIncrement() ? Trace{} : setAddress(address); }
    // Replies to 'b' and 'a', then CR to the first setAddress.
    void scriptQueries() { channel.reply({'N', std::uint8_t(autoIncrement() ? 'Y' : 'N'), 13}); }
};

TEST_P(EepromBytePath, WriteSendsOneByteWriteForEveryAddress)
{
    auto image = patternImage(eepromSize, 2, 4);
    scriptQueries();
    channel.replyCr(autoIncrement() ? 3 : 6);

    EXPECT_TRUE(loader.programEeprom(*image));

    Trace expected = blockQuery();
    expected += autoIncrementQuery();
    expected += setAddress(2);
    for (int address = 2; address <= 4; ++address) {
        expected += everyByte(address);
        expected += frame({'D', patternByte(address)}, 1);
    }
    EXPECT_TRUE(sent(expected));
}

TEST_P(EepromBytePath, ReadStoresOneReplyForEveryAddress)
{
    auto image = patternImage(eepromSize, 2, 4);
    scriptQueries();
    for (std::uint8_t value : {0x72, 0x73, 0x74}) {
        if (!autoIncrement())
            channel.replyCr();
        channel.reply({value});
    }

    EXPECT_TRUE(loader.fetchEeprom(*image));

    Trace expected = blockQuery();
    expected += autoIncrementQuery();
    expected += setAddress(2);
    for (int address = 2; address <= 4; ++address) {
        expected += everyByte(address);
        expected += frame({'d'}, 1);
    }
    EXPECT_TRUE(sent(expected));
    for (std::uint32_t address = 2; address <= 4; ++address)
        EXPECT_EQ(image->byteAt(address), 0x70 + address);
    EXPECT_EQ(image->byteAt(5), 0xEE);
}

TEST_P(EepromBytePath, ByteWriteWithoutCrRaisesTheByteMessage)
{
    auto image = patternImage(eepromSize, 2, 4);
    scriptQueries();
    if (!autoIncrement())
        channel.replyCr();
    channel.reply({'?'});
    EXPECT_TRUE(raises<ReplyException>([&] { loader.programEeprom(*image); },
                                       "Помилка запису байта в EEPROM!\n Програматор не повернув CR після команди 'D'."));
}

INSTANTIATE_TEST_SUITE_P(Bootloader, EepromBytePath, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& autoIncrement) {
                             return autoIncrement.param ? "AutoIncrement" : "NoAutoIncrement";
                         });

} // namespace
