// What the bootloader reports about itself is not trusted: sizes that would
// never finish a transfer, split a flash word or reach past the chip are refused
// before any frame of the transfer goes out.

#include "protocol/avr_bootloader.h"

#include "tests/protocol/bootloader_trace.h"

#include <functional>

using namespace trace;

namespace {

const char* const zeroBlock =
    "Помилка розміру блока!\n Програматор повідомив нульовий розмір блока після команди 'b'.";
const char* const oddFlashBlock =
    "Помилка розміру блока!\n Програматор повідомив непарний розмір блока для Флеш пам'яті після команди 'b'.";

struct Transfer {
    const char* name;
    std::function<bool(AVRBootloader&, HEXFile&)> run;
    bool flash;
};

class ReportedBlockSize : public BootloaderTest, public ::testing::WithParamInterface<Transfer> {
protected:
    void SetUp() override { loader.pageSize = 128; }
    std::unique_ptr<HEXFile> image = patternImage(4096, 1, 100);
};

TEST_P(ReportedBlockSize, ZeroIsRefusedRightAfterTheQuery)
{
    channel.reply({'Y', 0, 0});
    EXPECT_TRUE(raises<ReplyException>([&] { GetParam().run(loader, *image); }, zeroBlock));
    EXPECT_TRUE(sent(blockQueryWithSize()));
}

TEST_P(ReportedBlockSize, OddIsRefusedForFlashOnly)
{
    channel.reply({'Y', 0x01, 0x01});
    if (GetParam().flash) {
        EXPECT_TRUE(raises<ReplyException>([&] { GetParam().run(loader, *image); }, oddFlashBlock));
        EXPECT_TRUE(sent(blockQueryWithSize()));
    } else {
        channel.reply(Bytes(200, 13));
        EXPECT_TRUE(GetParam().run(loader, *image));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bootloader, ReportedBlockSize,
    ::testing::Values(Transfer{"programFlash", [](AVRBootloader& l, HEXFile& i) { return l.programFlash(i); }, true},
                      Transfer{"fetchFlash", [](AVRBootloader& l, HEXFile& i) { return l.fetchFlash(i); }, true},
                      Transfer{"programEeprom", [](AVRBootloader& l, HEXFile& i) { return l.programEeprom(i); }, false},
                      Transfer{"fetchEeprom", [](AVRBootloader& l, HEXFile& i) { return l.fetchEeprom(i); }, false}),
    CaseName{});

TEST_F(BootloaderTest, OddEepromBlockSizeIsHonoured)
{
    auto image = patternImage(4096, 0, 6);
    channel.reply({'Y', 0, 3});
    channel.replyCr(6);
    EXPECT_TRUE(loader.programEeprom(*image));

    Trace expected = blockQueryWithSize();
    expected += setAddress(0);
    expected += eepromBlockWrite(patternBytes(0, 2));
    expected += setAddress(3);
    expected += eepromBlockWrite(patternBytes(3, 5));
    expected += setAddress(6);
    expected += eepromBlockWrite(patternBytes(6, 6));
    EXPECT_TRUE(sent(expected));
}

// Only 16 address bits go on the wire: a range past the chip's address space
// would wrap round and overwrite its start.
TEST_F(BootloaderTest, RangesPastTheAddressSpaceAreRefusedBeforeSending)
{
    loader.pageSize = 128;
    auto eeprom = patternImage(0x10010, 0xFFF0, 0x10000);
    EXPECT_TRUE(raises<GeneralException>([&] { loader.programEeprom(*eeprom); },
                                         "EEPROM адреса більше за 64k поки не підтримується!"));
    EXPECT_TRUE(raises<GeneralException>([&] { loader.fetchEeprom(*eeprom); },
                                         "EEPROM адреса більше за 64k поки не підтримується!"));

    auto flash = patternImage(0x20010, 0x1FFF0, 0x20000);
    EXPECT_TRUE(raises<GeneralException>([&] { loader.programFlash(*flash); },
                                         "Флеш адреса більше за 128k поки не підтримується!"));
    EXPECT_TRUE(raises<GeneralException>([&] { loader.fetchFlash(*flash); },
                                         "Флеш адреса більше за 128k поки не підтримується!"));
    EXPECT_TRUE(channel.trace.empty());
}

TEST_F(BootloaderTest, RangesReachingTheTopOfTheAddressSpaceAreTaken)
{
    auto eeprom = patternImage(0x10000, 0xFFFE, 0xFFFF);
    channel.reply({'Y', 0, 4});
    channel.replyCr(2);
    EXPECT_TRUE(loader.programEeprom(*eeprom));

    loader.pageSize = 128;
    auto flash = patternImage(0x20000, 0x1FFFE, 0x1FFFF);
    channel.reply({'Y', 0, 4});
    channel.replyCr(2);
    EXPECT_TRUE(loader.programFlash(*flash));
}

} // namespace
