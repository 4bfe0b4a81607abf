#include "common/general_exception.h"
#include "image/avr_device.h"
#include "image/builtin_image.h"
#include "job/job_info.h"
#include "tests/job/fake_programmer.h"
#include "tests/support/recording_frontend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;
using Event = RecordingFrontend::Event;

constexpr std::uint32_t imageEnd = 81756;

AVRDevice atmega128()
{
    AVRDevice device("atmega128");
    device.loadParameters();
    return device;
}

// Runs the steps and returns the message they raised ("" when they ran through).
std::string runSteps(JobInfo& job, FakeProgrammer& programmer, AVRDevice device = atmega128())
{
    try {
        job.runDeviceSteps(programmer, device);
    } catch (const GeneralException& failure) {
        return failure.message();
    }
    return "";
}

std::vector<int> positions(const RecordingFrontend& frontend)
{
    std::vector<int> values;
    for (const Event& event : frontend.events)
        if (event.kind == Event::Position)
            values.push_back(event.value);
    return values;
}

bool flashHoldsImage(const FakeProgrammer& programmer)
{
    return std::equal(builtinFirmwareImage, builtinFirmwareImage + builtinFirmwareLength, programmer.flash.begin());
}

TEST(DeviceSteps, DefaultsEraseWriteAndVerifyTheImageThenBeepAndReport)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    std::fill(programmer.flash.begin(), programmer.flash.end(), 0x00);
    JobInfo job;

    EXPECT_EQ(runSteps(job, programmer), "");

    EXPECT_EQ(programmer.calls, (Calls{"eraseChip", "programFlash 0..81756", "fetchFlash 0..81756"}));
    EXPECT_EQ(programmer.pageSizeAtProgramFlash, 128);
    EXPECT_TRUE(flashHoldsImage(programmer));
    EXPECT_EQ(programmer.flash[imageEnd], 0xFF);
    EXPECT_EQ(programmer.flash[imageEnd + 1], 0xFF);

    EXPECT_EQ(job.flashStart, 0);
    EXPECT_EQ(job.flashEnd, 81756);
    EXPECT_EQ(job.eepromStart, 0);
    EXPECT_EQ(job.eepromEnd, 4095);

    EXPECT_EQ(frontend.phases, (std::vector<RunStep>{RunStep::Erase, RunStep::Write, RunStep::ReadBack, RunStep::Compare}));
    // The bar counts every compared byte, then drops back; the beep precedes the notice.
    EXPECT_EQ(frontend.events.front().kind, Event::Maximum);
    EXPECT_EQ(frontend.events.front().value, 81756);
    const std::vector<int> seen = positions(frontend);
    ASSERT_EQ(seen.size(), 81758u);
    for (int address = 0; address <= 81756; ++address)
        ASSERT_EQ(seen[address], address);
    EXPECT_EQ(seen.back(), 0);
    ASSERT_GE(frontend.events.size(), 2u);
    const Event& beep = frontend.events[frontend.events.size() - 2];
    EXPECT_EQ(beep.kind, Event::Beep);
    EXPECT_EQ(beep.value, 600);
    EXPECT_EQ(beep.duration, 100);
    EXPECT_EQ(frontend.events.back().kind, Event::Notice);
    EXPECT_EQ(frontend.notices, (std::vector<std::string>{"Верифікація успішна!"}));
}

// A bit flipped in the executable must not reach the chip, nor be "verified"
// against itself: the run stops before the erase.
TEST(DeviceSteps, ADamagedBuiltinImageIsRefusedBeforeAnythingChangesTheChip)
{
    class DamagedImage final : public BuiltinImageBytes {
    public:
        DamagedImage() : copy(builtinFirmwareImage, builtinFirmwareImage + builtinFirmwareLength) { copy[40000] ^= 0x08; }
        std::span<const std::uint8_t> bytes() override { return copy; }

    private:
        std::vector<std::uint8_t> copy;
    } damaged;
    const Seam<BuiltinImageBytes>::Scoped swap(damaged);
    FakeProgrammer programmer;
    JobInfo job;
    try {
        AVRDevice device = atmega128();
        job.runDeviceSteps(programmer, device);
        ADD_FAILURE() << "the damaged image was accepted";
    } catch (const GeneralException& failure) {
        EXPECT_EQ(failure.kind(), FailureKind::ImageDamaged);
        EXPECT_NE(failure.message().find("Прилад не стерто"), std::string::npos) << failure.message();
    }
    EXPECT_EQ(programmer.calls, Calls{});
    EXPECT_EQ(programmer.flash, std::vector<std::uint8_t>(131072, 0xFF));
}

TEST(DeviceSteps, WrongByteReadBackStopsAtItsAddressWithBarAtZeroAndNoSuccess)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    programmer.corruptFlashReadAt = 100;
    JobInfo job;
    AVRDevice device = atmega128();

    try {
        job.runDeviceSteps(programmer, device);
        FAIL() << "verification passed";
    } catch (const VerificationException& failure) {
        EXPECT_EQ(failure.message(), "Помилка Верифікації! (Спробуйте ще раз)!");
        EXPECT_EQ(failure.address(), 100u);
    }
    const std::vector<int> seen = positions(frontend);
    ASSERT_EQ(seen.size(), 101u);
    EXPECT_EQ(seen[99], 99);
    EXPECT_EQ(seen[100], 0);
    EXPECT_EQ(frontend.beeps(), 0);
    EXPECT_TRUE(frontend.notices.empty());
}

// A read-back must replace every byte of the range: a fresh buffer already
// holds the image, so bytes a read skips must not pass as verified.
TEST(DeviceSteps, ReadBackThatLeavesBytesUnreadFailsAtTheFirstOne)
{
    struct Case {
        const char* name;
        std::function<bool(std::uint32_t)> stores;
        std::uint32_t firstUnread;
    };
    const Case cases[] = {
        {"nothing stored", [](std::uint32_t) { return false; }, 0},
        {"last byte missing", [](std::uint32_t a) { return a < imageEnd; }, imageEnd},
        {"one gap", [](std::uint32_t a) { return a != 40000; }, 40000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        programmer.flashReadStores = c.stores;
        JobInfo job;
        AVRDevice device = atmega128();
        try {
            job.runDeviceSteps(programmer, device);
            ADD_FAILURE() << "verification passed";
        } catch (const VerificationException& failure) {
            EXPECT_EQ(failure.address(), c.firstUnread);
        }
        EXPECT_TRUE(frontend.notices.empty());
        EXPECT_EQ(frontend.beeps(), 0);
    }
}

TEST(DeviceSteps, FlashRangeIsSettledNarrowedAndWrittenBack)
{
    struct Case {
        std::int32_t start, end;
        std::string failure;
        Calls calls;
        std::int32_t settledStart, settledEnd;
    };
    const std::string tooLarge = "Вибраний адресний діапазон більше за допустиму адресу в мікросхемі!";
    const std::string outside = "Файл HEX описує дані, що виходять за допустимий діапазон!";
    const std::string badRange =
        "Помилка діапазону! Початок пам'яті має бути 0 або більше, а кінець в допустимій області!";
    const Case cases[] = {
        {-1, -1, "", {"eraseChip", "programFlash 0..81756", "fetchFlash 0..81756"}, 0, 81756},
        {-1, 131071, "", {"eraseChip", "programFlash 0..81756", "fetchFlash 0..81756"}, 0, 81756},
        {100, 200, "", {"eraseChip", "programFlash 100..200", "fetchFlash 100..200"}, 100, 200},
        {81756, 131071, "", {"eraseChip", "programFlash 81756..81756", "fetchFlash 81756..81756"}, 81756, 81756},
        {-1, 131072, tooLarge, {}, -1, 131072},
        {0, 200000, tooLarge, {}, 0, 200000},
        {90000, 100000, outside, {"eraseChip"}, 90000, 100000},
        {300, 200, badRange, {"eraseChip"}, 300, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.end));
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        job.flashStart = c.start;
        job.flashEnd = c.end;
        EXPECT_EQ(runSteps(job, programmer), c.failure);
        EXPECT_EQ(programmer.calls, c.calls);
        EXPECT_EQ(job.flashStart, c.settledStart);
        EXPECT_EQ(job.flashEnd, c.settledEnd);
    }
}

TEST(DeviceSteps, BarFollowsTheOffsetIntoARangeThatDoesNotStartAtZero)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    JobInfo job;
    job.flashStart = 100;
    job.flashEnd = 200;
    ASSERT_EQ(runSteps(job, programmer), "");
    EXPECT_EQ(frontend.currentMaximum, 100);
    EXPECT_EQ(frontend.highestPosition, 100);
    EXPECT_EQ(frontend.currentPosition, 0);
}

TEST(DeviceSteps, FillValueReplacesTheImageAndKeepsTheWholeRange)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    JobInfo job;
    job.fillValue = 0x15A;
    ASSERT_EQ(runSteps(job, programmer), "");
    EXPECT_EQ(programmer.calls, (Calls{"eraseChip", "programFlash 0..131071", "fetchFlash 0..131071"}));
    EXPECT_EQ(job.flashEnd, 131071);
    EXPECT_TRUE(std::all_of(programmer.flash.begin(), programmer.flash.end(), [](auto b) { return b == 0x5A; }));
}

TEST(DeviceSteps, EmptyFlashFileNameFailsAfterTheEraseOnlyWhenFlashStepsRun)
{
    const std::string message = "Програмування і верифікація неможлива без вибору вхідного файлу!";
    {
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        job.flashInputFile = "";
        EXPECT_EQ(runSteps(job, programmer), message);
        EXPECT_EQ(programmer.calls, Calls{"eraseChip"});
    }
    {
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        job.flashInputFile = "";
        job.flashVerify = false;
        EXPECT_EQ(runSteps(job, programmer), message);
    }
    {
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        job.flashInputFile = "";
        job.flashProgram = false;
        job.flashVerify = false;
        EXPECT_EQ(runSteps(job, programmer), "");
        EXPECT_EQ(programmer.calls, Calls{"eraseChip"});
    }
}

TEST(DeviceSteps, VerifyAloneComparesWhatTheChipHolds)
{
    {
        SCOPED_TRACE("erased first: nothing to match");
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        std::copy(builtinFirmwareImage, builtinFirmwareImage + builtinFirmwareLength, programmer.flash.begin());
        JobInfo job;
        job.flashProgram = false;
        EXPECT_EQ(runSteps(job, programmer), "Помилка Верифікації! (Спробуйте ще раз)!");
        EXPECT_EQ(programmer.calls, (Calls{"eraseChip", "fetchFlash 0..81756"}));
        EXPECT_TRUE(frontend.notices.empty());
    }
    {
        SCOPED_TRACE("image already in the chip, no erase");
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        std::copy(builtinFirmwareImage, builtinFirmwareImage + builtinFirmwareLength, programmer.flash.begin());
        JobInfo job;
        job.flashProgram = false;
        job.chipErase = false;
        EXPECT_EQ(runSteps(job, programmer), "");
        EXPECT_EQ(programmer.calls, Calls{"fetchFlash 0..81756"});
        EXPECT_EQ(frontend.phases, (std::vector<RunStep>{RunStep::ReadBack, RunStep::Compare}));
        EXPECT_EQ(frontend.notices, (std::vector<std::string>{"Верифікація успішна!"}));
        EXPECT_EQ(frontend.beeps(), 1);
    }
}

TEST(DeviceSteps, ProgramAloneNeitherReadsBackNorReports)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    JobInfo job;
    job.flashVerify = false;
    EXPECT_EQ(runSteps(job, programmer), "");
    EXPECT_EQ(programmer.calls, (Calls{"eraseChip", "programFlash 0..81756"}));
    EXPECT_TRUE(flashHoldsImage(programmer));
    EXPECT_TRUE(frontend.events.empty());
}

TEST(DeviceSteps, EveryOptionalStepRunsInItsPlace)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    JobInfo job;
    job.lockBitsRead = true;
    job.fuseBitsRead = true;
    job.eepromProgram = true;
    job.eepromVerify = true;
    job.lockBits = 0xFC;
    job.fuseBits = 0x99E4;
    job.extendedFuseBits = 0xFF;
    job.osccalValue = 0xA7;
    job.osccalFlashAddress = 0x1FFFF;
    job.osccalEepromAddress = 4095;

    EXPECT_EQ(runSteps(job, programmer), "");
    EXPECT_EQ(programmer.calls, (Calls{"getLockBits", "getFuseBits", "getExtendedFuseBits", "eraseChip",
                                       "programFlash 0..81756", "fetchFlash 0..81756", "programEeprom 0..4095",
                                       "fetchEeprom 0..4095", "setLockBits 252", "setFuseBits 39396",
                                       "setExtendedFuseBits 255", "putFlashByte 131071 167",
                                       "putEepromByte 4095 167"}));
    EXPECT_EQ(frontend.notices, (std::vector<std::string>{"Верифікація успішна!", "Верифікація EEPROM успішна!"}));
    EXPECT_EQ(frontend.beeps(), 1);
}

TEST(DeviceSteps, EepromImageIsBlankUnlessAFillValueIsGiven)
{
    {
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        std::fill(programmer.eeprom.begin(), programmer.eeprom.end(), 0x00);
        JobInfo job;
        job.flashProgram = job.flashVerify = false;
        job.eepromProgram = job.eepromVerify = true;
        EXPECT_EQ(runSteps(job, programmer), "");
        EXPECT_TRUE(std::all_of(programmer.eeprom.begin(), programmer.eeprom.end(), [](auto b) { return b == 0xFF; }));
        // Its verification moves no bar and sounds no beep.
        EXPECT_EQ(frontend.events.size(), 1u);
        EXPECT_EQ(frontend.notices, (std::vector<std::string>{"Верифікація EEPROM успішна!"}));
    }
    {
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        job.flashProgram = job.flashVerify = false;
        job.eepromProgram = true;
        job.fillValue = 0x42;
        job.eepromStart = 10;
        job.eepromEnd = 19;
        EXPECT_EQ(runSteps(job, programmer), "");
        EXPECT_EQ(programmer.calls, (Calls{"eraseChip", "programEeprom 10..19"}));
        EXPECT_EQ(programmer.eeprom[9], 0xFF);
        EXPECT_EQ(programmer.eeprom[10], 0x42);
        EXPECT_EQ(programmer.eeprom[19], 0x42);
        EXPECT_EQ(programmer.eeprom[20], 0xFF);
    }
}

TEST(DeviceSteps, EepromMismatchRaisesItsOwnVerificationMessage)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    programmer.corruptEepromReadAt = 7;
    JobInfo job;
    job.flashProgram = job.flashVerify = false;
    job.eepromProgram = job.eepromVerify = true;
    AVRDevice device = atmega128();
    try {
        job.runDeviceSteps(programmer, device);
        FAIL() << "verification passed";
    } catch (const VerificationException& failure) {
        EXPECT_EQ(failure.message(), "Помилка Верифікації EEPROM! (Спробуйте ще раз)!");
        EXPECT_EQ(failure.address(), 7u);
    }
    EXPECT_TRUE(frontend.events.empty());
}

TEST(DeviceSteps, EepromRangeAndNameChecks)
{
    struct Case {
        const char* name;
        std::function<void(JobInfo&)> configure;
        std::string failure;
        Calls calls;
    };
    const Case cases[] = {
        {"end past the EEPROM, no EEPROM step",
         [](JobInfo& job) { job.eepromEnd = 4096; },
         "Вибраний EEPROM діапазон більше за допустиму адресу в приладі!", {}},
        {"last EEPROM address accepted",
         [](JobInfo& job) { job.eepromEnd = 4095; job.flashProgram = job.flashVerify = false; },
         "", {"eraseChip"}},
        {"no EEPROM file name",
         [](JobInfo& job) { job.eepromInputFile = ""; job.eepromVerify = true; job.flashProgram = job.flashVerify = false; },
         "Програмування і верифікація EEPROM неможлива без вибору вхідного файлу!", {"eraseChip"}},
        {"range beyond the image",
         [](JobInfo& job) { job.eepromStart = 5000; job.eepromEnd = 4095; job.eepromProgram = true; job.flashProgram = job.flashVerify = false; },
         "HEX фал містить дані, що виходять за допустимий діапазон!", {"eraseChip"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        c.configure(job);
        EXPECT_EQ(runSteps(job, programmer), c.failure);
        EXPECT_EQ(programmer.calls, c.calls);
    }
}

TEST(DeviceSteps, UnsupportedOperationsBecomeTheirMessages)
{
    struct Case {
        const char* operation;
        std::function<void(JobInfo&)> configure;
        std::string message;
    };
    const auto none = [](JobInfo&) {};
    const Case cases[] = {
        {"getLockBits", [](JobInfo& job) { job.lockBitsRead = true; },
         "Читання бітів захисту не підтримується цим прораматором!"},
        {"getFuseBits", [](JobInfo& job) { job.fuseBitsRead = true; },
         "Читання бітів захисту не підтримується цим прораматором!"},
        {"getExtendedFuseBits", [](JobInfo& job) { job.fuseBitsRead = true; },
         "Читання розширених бітів захисту не підтримується цим прораматором!"},
        {"eraseChip", none, "Стирання пам'яті не підтримується цим прораматором!"},
        {"programFlash", none, "Програмування Flash не підтримується цим програматором!"},
        {"fetchFlash", none, "Читання Flash не підтримується цим програматором!"},
        {"programEeprom", [](JobInfo& job) { job.eepromProgram = true; },
         "Програмування EEPROM не підтримується цим програматором!"},
        {"fetchEeprom", [](JobInfo& job) { job.eepromVerify = true; },
         "Читання EEPROM не підтримується цим програматором!"},
        {"setLockBits", [](JobInfo& job) { job.lockBits = 0xFC; },
         "Запис бітів захисту не підтримується цим програматором!"},
        {"setFuseBits", [](JobInfo& job) { job.fuseBits = 0xE4; },
         "Програмування fuse бітів не підтримується цим програматором!"},
        {"setExtendedFuseBits", [](JobInfo& job) { job.extendedFuseBits = 0xFF; },
         "Програмування розширених fuse бітів не підтримується цим програматором!"},
        {"putFlashByte", [](JobInfo& job) { job.osccalFlashAddress = 0; job.osccalValue = 1; },
         "Програмування флеш не підтримується цим програматором!"},
        {"putEepromByte", [](JobInfo& job) { job.osccalEepromAddress = 0; job.osccalValue = 1; },
         "Програмування EEPROM не підтримується цим програматором!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        programmer.unsupported = {c.operation};
        JobInfo job;
        c.configure(job);
        EXPECT_EQ(runSteps(job, programmer), c.message);
        ASSERT_FALSE(programmer.calls.empty());
        EXPECT_EQ(programmer.calls.back().rfind(c.operation, 0), 0u) << "ran on after the refusal";
    }
}

TEST(DeviceSteps, TargetWithoutFuseBitsRefusesFuseSteps)
{
    struct Case {
        const char* name;
        std::function<void(JobInfo&)> configure;
        std::string message;
    };
    const Case cases[] = {
        {"fuse read", [](JobInfo& job) { job.fuseBitsRead = true; }, "Бибрана мікросхема не має fuse бітів!"},
        {"fuse write", [](JobInfo& job) { job.fuseBits = 0xE4; }, "Вибрана мікросхема не має fuse бітів!"},
        {"extended fuse write", [](JobInfo& job) { job.extendedFuseBits = 0xFF; },
         "Вибрана мікросхема не має розширених fuse бітів!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        job.chipErase = job.flashProgram = job.flashVerify = false;
        c.configure(job);
        // Before its parameters are loaded a device claims no fuse bits.
        EXPECT_EQ(runSteps(job, programmer, AVRDevice("atmega128")), c.message);
        EXPECT_TRUE(programmer.calls.empty());
    }
}

TEST(DeviceSteps, CalibrationNeedsAValue)
{
    for (bool toFlash : {true, false}) {
        SCOPED_TRACE(toFlash ? "flash" : "EEPROM");
        RecordingFrontend frontend;
        FakeProgrammer programmer;
        JobInfo job;
        job.chipErase = job.flashProgram = job.flashVerify = false;
        (toFlash ? job.osccalFlashAddress : job.osccalEepromAddress) = 12;
        EXPECT_EQ(runSteps(job, programmer), "Значення OSCCAL не визначено!");
        EXPECT_TRUE(programmer.calls.empty());
    }
}

TEST(DeviceSteps, ProgrammerFailuresPassThroughWithTheirKind)
{
    RecordingFrontend frontend;
    FakeProgrammer programmer;
    programmer.failingOperation = "fetchFlash";
    programmer.failure = [] { throw TimeoutException("Таймаут протягом операції читання з COM порту!"); };
    JobInfo job;
    AVRDevice device = atmega128();
    EXPECT_THROW(job.runDeviceSteps(programmer, device), TimeoutException);
    EXPECT_TRUE(frontend.notices.empty());
    EXPECT_EQ(frontend.beeps(), 0);
}

TEST(Identity, ReadsWhatIsSwitchedOnInOrder)
{
    {
        FakeProgrammer programmer;
        JobInfo job;
        job.checkIdentity(programmer);
        EXPECT_EQ(programmer.calls, Calls{"getSignature"});
    }
    {
        FakeProgrammer programmer;
        JobInfo job;
        job.softwareVersionRead = job.hardwareVersionRead = true;
        job.checkIdentity(programmer);
        EXPECT_EQ(programmer.calls, (Calls{"getSignature", "getSoftwareVersion", "getHardwareVersion"}));
    }
    {
        FakeProgrammer programmer;
        JobInfo job;
        job.signatureRead = false;
        job.checkIdentity(programmer);
        EXPECT_TRUE(programmer.calls.empty());
    }
}

TEST(Identity, UnsupportedReadsBecomeTheirMessages)
{
    struct Case {
        const char* operation;
        std::string message;
    };
    const Case cases[] = {
        {"getSignature", "Зчитана сигнатура не підтримується цим програматором!"},
        {"getSoftwareVersion", "Зчитана версія приладу не підтримується цим програматором!"},
        {"getHardwareVersion", "Зчитана версія приладу не підтримується цим програматором!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        FakeProgrammer programmer;
        programmer.unsupported = {c.operation};
        JobInfo job;
        job.softwareVersionRead = job.hardwareVersionRead = true;
        try {
            job.checkIdentity(programmer);
            ADD_FAILURE() << "no failure";
        } catch (const GeneralException& failure) {
            EXPECT_EQ(failure.message(), c.message);
        }
        EXPECT_EQ(programmer.calls.back(), c.operation);
    }
}

} // namespace
