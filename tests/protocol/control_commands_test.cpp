#include "protocol/avr_bootloader.h"

#include "tests/protocol/bootloader_trace.h"

#include <climits>
#include <functional>
#include <memory>

using namespace trace;

namespace {

const char* const nullChannel = "Комунікаційний канал управляється NULL вказівником!";

TEST(ProgrammerConstruction, NullChannelIsRefused)
{
    EXPECT_TRUE(raises<GeneralException>([] { AVRBootloader loader(nullptr); }, nullChannel));
}

TEST(ProgrammerConstruction, FreshProgrammerHasNoPageSizeAndSendsNothing)
{
    ScriptedChannel channel;
    std::unique_ptr<AVRProgrammer> programmer = std::make_unique<AVRBootloader>(&channel);
    EXPECT_EQ(programmer->pageSize, -1);
    programmer.reset();
    EXPECT_TRUE(channel.trace.empty());
}

TEST_F(BootloaderTest, UnsupportedOperationsAnswerFalseSendNothingAndKeepOutValues)
{
    std::int32_t first = 111, second = 222;
    EXPECT_FALSE(loader.readCalibrationByte(first));
    EXPECT_FALSE(loader.setFuseBits(0x1234));
    EXPECT_FALSE(loader.setExtendedFuseBits(0xFD));
    EXPECT_FALSE(loader.getHardwareVersion(first, second));
    EXPECT_EQ(first, 111);
    EXPECT_EQ(second, 222);
    EXPECT_TRUE(loader.beginProgramming());
    EXPECT_TRUE(loader.endProgramming());
    EXPECT_TRUE(channel.trace.empty());
}

TEST_F(BootloaderTest, SignatureArrivesLastByteFirstAndVerifies)
{
    channel.reply({0x02, 0x97, 0x1E});
    std::int32_t byte0 = 0, byte1 = 0, byte2 = 0;
    EXPECT_TRUE(loader.getSignature(byte0, byte1, byte2));
    EXPECT_EQ(byte0, 0x1E);
    EXPECT_EQ(byte1, 0x97);
    EXPECT_EQ(byte2, 0x02);

    channel.reply({0x02, 0x97, 0x1E});
    EXPECT_TRUE(loader.verifySignature(0x1E, 0x97, 0x02));

    Trace expected = frame({'s'}, 3);
    expected += frame({'s'}, 3);
    EXPECT_TRUE(sent(expected));
}

TEST_F(BootloaderTest, SignatureInTheWrongOrderIsAForeignChip)
{
    channel.reply({0x1E, 0x97, 0x02});
    EXPECT_TRUE(raises<ReplyException>([&] { loader.verifySignature(0x1E, 0x97, 0x02); },
                                       "Сигнатура НЕ ВІДПОВІДАЄ вибраній мікросхемі!"));
}

TEST_F(BootloaderTest, VerifySignatureReadsThroughAnOverride)
{
    struct FixedSignature : AVRBootloader {
        using AVRBootloader::AVRBootloader;
        bool getSignature(std::int32_t& byte0, std::int32_t& byte1, std::int32_t& byte2) override
        {
            byte0 = 1, byte1 = 2, byte2 = 3;
            return true;
        }
    } fixed(&channel);
    EXPECT_TRUE(fixed.verifySignature(1, 2, 3));
    EXPECT_TRUE(channel.trace.empty());
}

TEST_F(BootloaderTest, QueriesReturnTheirReplyBytes)
{
    std::int32_t lock = -1, fuses = -1, extended = -1, major = -1, minor = -1;
    channel.reply({0xFC, 0x99, 0xE4, 0xFF, 2, 10});
    EXPECT_TRUE(loader.getLockBits(lock));
    EXPECT_TRUE(loader.getFuseBits(fuses));
    EXPECT_TRUE(loader.getExtendedFuseBits(extended));
    EXPECT_TRUE(loader.getSoftwareVersion(major, minor));

    EXPECT_EQ(lock, 0xFC);
    EXPECT_EQ(fuses, 0x99E4); // high fuse byte from 'N', low from 'F'
    EXPECT_EQ(extended, 0xFF);
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 10);

    Trace expected = frame({'r'}, 1);
    expected += frame({'N'}, 1);
    expected += frame({'F'}, 1);
    expected += frame({'Q'}, 1);
    expected += frame({'V'}, 2);
    EXPECT_TRUE(sent(expected));
}

TEST_F(BootloaderTest, EraseAndLockBitsWaitForCr)
{
    channel.replyCr(2);
    EXPECT_TRUE(loader.eraseChip());
    EXPECT_TRUE(loader.setLockBits(0x1FC)); // only the low 8 bits go to the chip
    Trace expected = frame({'e'}, 1);
    expected += frame({'l', 0xFC}, 1);
    EXPECT_TRUE(sent(expected));
}

struct CrCommand {
    const char* name;
    std::function<void(AVRBootloader&)> run;
    const char* message;
    Bytes replies = {'?'};
};

class CommandsWithoutCr : public BootloaderTest, public ::testing::WithParamInterface<CrCommand> {};

TEST_P(CommandsWithoutCr, RaiseTheirOwnReplyMessage)
{
    channel.reply(GetParam().replies);
    EXPECT_TRUE(raises<ReplyException>([&] { GetParam().run(loader); }, GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Bootloader, CommandsWithoutCr,
    ::testing::Values(
        CrCommand{"eraseChip", [](AVRBootloader& l) { l.eraseChip(); },
                  "Помилка стирання пам'яті!\n Програматор не повернув CR після команди 'e'."},
        CrCommand{"setLockBits", [](AVRBootloader& l) { l.setLockBits(0xFC); },
                  "Помилка запису біт захисту!\n Програматор не повернув CR після команди 'l'."},
        CrCommand{"putEepromByte", [](AVRBootloader& l) { l.putEepromByte(5, 0x42); },
                  "Помилка запису байта в EEPROM!\n Програматор не повернув CR після команди 'D'.",
                  {13, '?'}},
        CrCommand{"setAddress", [](AVRBootloader& l) { l.setAddress(0x80); },
                  "Помилка установки адреси для операції програмування!\n Програматор не повернув CR після "
                  "команди '\u0410'."},
        CrCommand{"writeLowByte", [](AVRBootloader& l) { l.writeLowByte(1); },
                  "Помилка запису молодшого байту!\n Програматор не повернув CR після команди '\u0441'."},
        CrCommand{"writeHighByte", [](AVRBootloader& l) { l.writeHighByte(1); },
                  "Помилка запису старшого байту!\n Програматор не повернув CR після команди '\u0421'."},
        CrCommand{"writePage", [](AVRBootloader& l) { l.writePage(); },
                  "Помилка запису сторінки Флеш пам'яті!\n Програматор не повернув CR після команди 'm'."}),
    CaseName{});

TEST_F(BootloaderTest, AddressAndWordMessagesQuoteCyrillicLettersWhileTheWireCarriesAscii)
{
    const std::string cyrillicA = "'\xD0\x90'", cyrillicSmallEs = "'\xD1\x81'", cyrillicEs = "'\xD0\xA1'";
    const auto messageOf = [&](const std::function<void()>& run) {
        channel.reply({'?'});
        try {
            run();
        } catch (const ReplyException& error) {
            return error.message();
        }
        return std::string("nothing raised");
    };
    EXPECT_NE(messageOf([&] { loader.setAddress(0); }).find(cyrillicA), std::string::npos);
    EXPECT_NE(messageOf([&] { loader.writeLowByte(0); }).find(cyrillicSmallEs), std::string::npos);
    EXPECT_NE(messageOf([&] { loader.writeHighByte(0); }).find(cyrillicEs), std::string::npos);
    EXPECT_EQ(channel.sent, (Bytes{0x41, 0x00, 0x00, 0x63, 0x00, 0x43, 0x00}));
}

TEST_F(BootloaderTest, MissingReplyRaisesTheChannelsTimeout)
{
    EXPECT_TRUE(raises<TimeoutException>([&] { loader.eraseChip(); },
                                         "Таймаут протягом операції читання з COM порту!"));
}

TEST_F(BootloaderTest, FlashByteAtAnOddAddressIsTheHighHalfOfItsWord)
{
    channel.replyCr(5);
    EXPECT_TRUE(loader.putFlashByte(0x1FFFF, 0x5A));
    Trace expected = setAddress(0xFFFF);
    expected += low(0xFF);
    expected += high(0x5A);
    expected += setAddress(0xFFFF);
    expected += page();
    EXPECT_TRUE(sent(expected));
}

TEST_F(BootloaderTest, FlashByteAtAnEvenAddressIsTheLowHalfOfItsWord)
{
    channel.replyCr(5);
    EXPECT_TRUE(loader.putFlashByte(0x100, 0x5A));
    Trace expected = setAddress(0x80);
    expected += low(0x5A);
    expected += high(0xFF);
    expected += setAddress(0x80);
    expected += page();
    EXPECT_TRUE(sent(expected));
}

TEST_F(BootloaderTest, EepromByteGoesToItsByteAddress)
{
    channel.replyCr(2);
    EXPECT_TRUE(loader.putEepromByte(0xFFFF, 0x5A));
    Trace expected = setAddress(0xFFFF);
    expected += frame({'D', 0x5A}, 1);
    EXPECT_TRUE(sent(expected));
}

struct RefusedAddress {
    std::int32_t address;
    const char* flashMessage;
    const char* eepromMessage;
};

class SingleByteAddresses : public BootloaderTest, public ::testing::WithParamInterface<RefusedAddress> {};

TEST_P(SingleByteAddresses, OutsideTheChipAreRefusedBeforeSending)
{
    EXPECT_TRUE(raises<GeneralException>([&] { loader.putFlashByte(GetParam().address, 1); },
                                         GetParam().flashMessage));
    EXPECT_TRUE(raises<GeneralException>([&] { loader.putEepromByte(GetParam().address, 1); },
                                         GetParam().eepromMessage));
    EXPECT_TRUE(channel.trace.empty());
}

const char* const flashTooLarge = "Флеш адреса більше за 128k поки не підтримується!";
const char* const eepromTooLarge = "EEPROM адреса більше за 64k поки не підтримується!";
const char* const flashNegative = "Флеш адреса не може бути від'ємною!";
const char* const eepromNegative = "EEPROM адреса не може бути від'ємною!";

INSTANTIATE_TEST_SUITE_P(Bootloader, SingleByteAddresses,
                         ::testing::Values(RefusedAddress{0x20000, flashTooLarge, eepromTooLarge},
                                           RefusedAddress{INT_MAX, flashTooLarge, eepromTooLarge},
                                           RefusedAddress{-1, flashNegative, eepromNegative},
                                           RefusedAddress{INT_MIN, flashNegative, eepromNegative}));

TEST_F(BootloaderTest, EepromAddressJustPastItsSpaceIsRefusedWhileFlashTakesIt)
{
    EXPECT_TRUE(raises<GeneralException>([&] { loader.putEepromByte(0x10000, 1); }, eepromTooLarge));
    EXPECT_TRUE(channel.trace.empty());
    channel.replyCr(5);
    EXPECT_TRUE(loader.putFlashByte(0x10000, 1));
}

} // namespace
