#include "tests/job/simulated_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using Event = RecordingFrontend::Event;

// The events of the verification: from the last maximum on.
std::vector<Event> verificationEvents(const RecordingFrontend& frontend)
{
    auto last = std::find_if(frontend.events.rbegin(), frontend.events.rend(),
                             [](const Event& event) { return event.kind == Event::Maximum; });
    if (last == frontend.events.rend())
        return {};
    return {std::prev(last.base()), frontend.events.end()};
}

std::vector<int> positionsIn(const std::vector<Event>& events)
{
    std::vector<int> values;
    for (const Event& event : events)
        if (event.kind == Event::Position)
            values.push_back(event.value);
    return values;
}

TEST_F(SimulatedRun, DefaultRunWritesTheImageVerifiesItAndReportsSuccess)
{
    start();
    JobInfo job;

    EXPECT_EQ(run(job), "");

    EXPECT_TRUE(flashHoldsImage());
    EXPECT_EQ(instrument->flash()[81756], 0xFF);
    EXPECT_EQ(job.portNumber, port);
    EXPECT_EQ(job.flashStart, 0);
    EXPECT_EQ(job.flashEnd, 81756);
    EXPECT_EQ(job.eepromStart, 0);
    EXPECT_EQ(job.eepromEnd, 4095);

    const std::vector<Event> verification = verificationEvents(frontend);
    ASSERT_FALSE(verification.empty());
    EXPECT_EQ(verification.front().value, 81756);
    const std::vector<int> seen = positionsIn(verification);
    ASSERT_EQ(seen.size(), 81758u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end() - 1));
    EXPECT_EQ(seen[seen.size() - 2], 81756);
    EXPECT_EQ(frontend.currentPosition, 0);
    ASSERT_GE(frontend.events.size(), 2u);
    EXPECT_EQ(frontend.events[frontend.events.size() - 2].kind, Event::Beep);
    EXPECT_EQ(frontend.events[frontend.events.size() - 2].value, 600);
    EXPECT_EQ(frontend.events[frontend.events.size() - 2].duration, 100);
    EXPECT_EQ(frontend.events.back().kind, Event::Notice);
    EXPECT_EQ(frontend.notices, std::vector<std::string>{"Верифікація успішна!"});

    // The run leaves the instrument in its bootloader: leaving it is a separate command.
    EXPECT_TRUE(instrument->inBootloader());
    expectPortReleased();
}

TEST_F(SimulatedRun, WrongByteReadBackFailsTheRunAtItsAddress)
{
    sim::Config config;
    config.faults.corruptReadAddress = 100;
    start(config);
    JobInfo job;

    try {
        job.runJob(port);
        FAIL() << "the run succeeded";
    } catch (const VerificationException& failure) {
        EXPECT_EQ(failure.message(), "Помилка Верифікації! (Спробуйте ще раз)!");
        EXPECT_EQ(failure.address(), 100u);
    }
    const std::vector<int> seen = positionsIn(verificationEvents(frontend));
    ASSERT_EQ(seen.size(), 101u);
    EXPECT_EQ(seen[99], 99);
    EXPECT_EQ(seen[100], 0);
    EXPECT_EQ(frontend.beeps(), 0);
    EXPECT_TRUE(frontend.notices.empty());
    expectPortReleased();
}

TEST_F(SimulatedRun, ForeignSignatureFailsBeforeAnythingIsErased)
{
    sim::Config config;
    config.signature = {0x1E, 0x97, 0x03};
    startWithPatternedFlash(config);
    JobInfo job;

    EXPECT_EQ(run(job), "Сигнатура НЕ ВІДПОВІДАЄ вибраній мікросхемі!");
    EXPECT_TRUE(flashHoldsPattern());
    EXPECT_TRUE(frontend.events.empty());
    expectPortReleased();
}

TEST_F(SimulatedRun, HardwareVersionReadEndsEveryRunBeforeTheChipIsTouched)
{
    startWithPatternedFlash();
    JobInfo job;
    job.hardwareVersionRead = true;

    EXPECT_EQ(run(job), "Зчитана версія приладу не підтримується цим програматором!");
    EXPECT_TRUE(flashHoldsPattern());
    expectPortReleased();
}

TEST_F(SimulatedRun, PortThatCannotBeUsedFailsWithTheLinkMessage)
{
    start();
    {
        ScopedPortMapping missing(4, "/dev/veltor-no-such-port");
        JobInfo job;
        EXPECT_EQ(run(job, 4), "Помилка відкриття  порту COM4");
        EXPECT_EQ(job.portNumber, 4);
    }
    for (int outside : {0, 11, -1}) {
        JobInfo job;
        EXPECT_EQ(run(job, outside), "Підтримується тільки порти COM1 - COM10!");
        EXPECT_EQ(job.portNumber, outside);
    }
    // The port of the instrument was never involved and is still free.
    expectPortReleased();
}

TEST_F(SimulatedRun, FlashEndPastTheChipIsRefusedBeforeTheErase)
{
    startWithPatternedFlash();
    JobInfo refused;
    refused.flashEnd = 131072;
    EXPECT_EQ(run(refused), "Вибраний адресний діапазон більше за допустиму адресу в мікросхемі!");
    EXPECT_TRUE(flashHoldsPattern());
    expectPortReleased();

    JobInfo accepted;
    accepted.flashEnd = 131071;
    EXPECT_EQ(run(accepted), "");
    EXPECT_EQ(accepted.flashEnd, 81756);
    EXPECT_TRUE(flashHoldsImage());
}

TEST_F(SimulatedRun, EmptyFlashFileNameFailsAfterTheErase)
{
    startWithPatternedFlash();
    JobInfo job;
    job.flashInputFile = "";
    EXPECT_EQ(run(job), "Програмування і верифікація неможлива без вибору вхідного файлу!");
    const std::vector<std::uint8_t> flash = instrument->flash();
    EXPECT_TRUE(std::all_of(flash.begin(), flash.begin() + 4096, [](std::uint8_t b) { return b == 0xFF; }));
    expectPortReleased();
}

TEST_F(SimulatedRun, VerifyAloneSucceedsOnlyOnAnUnerasedChipThatHoldsTheImage)
{
    start();
    JobInfo program;
    ASSERT_EQ(run(program), "");
    frontend.notices.clear();

    JobInfo keeping;
    keeping.flashProgram = false;
    keeping.chipErase = false;
    EXPECT_EQ(run(keeping), "");
    EXPECT_EQ(frontend.notices, std::vector<std::string>{"Верифікація успішна!"});
    frontend.notices.clear();

    JobInfo erasing;
    erasing.flashProgram = false;
    EXPECT_EQ(run(erasing), "Помилка Верифікації! (Спробуйте ще раз)!");
    EXPECT_TRUE(frontend.notices.empty());
}

TEST_F(SimulatedRun, OptionalReadsAndWritesReachTheChip)
{
    start();
    {
        SCOPED_TRACE("fuse and lock reads, lock write, calibration bytes");
        JobInfo job;
        job.lockBitsRead = true;
        job.fuseBitsRead = true;
        job.lockBits = 0xFC;
        job.osccalValue = 0xA7;
        job.osccalFlashAddress = 0x1C000;
        job.osccalEepromAddress = 100;
        EXPECT_EQ(run(job), "");
        EXPECT_TRUE(flashHoldsImage());
        EXPECT_EQ(instrument->flash()[0x1C000], 0xA7);
        EXPECT_EQ(instrument->flash()[0x1C001], 0xFF);
        EXPECT_EQ(instrument->eeprom()[100], 0xA7);
    }
    {
        SCOPED_TRACE("EEPROM program and verify");
        JobInfo job;
        job.chipErase = job.flashProgram = job.flashVerify = false;
        job.eepromProgram = job.eepromVerify = true;
        job.fillValue = 0x42;
        job.eepromStart = 16;
        job.eepromEnd = 31;
        frontend.notices.clear();
        EXPECT_EQ(run(job), "");
        const std::vector<std::uint8_t> eeprom = instrument->eeprom();
        EXPECT_TRUE(std::all_of(eeprom.begin() + 16, eeprom.begin() + 32, [](std::uint8_t b) { return b == 0x42; }));
        EXPECT_NE(eeprom[15], 0x42);
        EXPECT_NE(eeprom[32], 0x42);
        EXPECT_EQ(frontend.notices, std::vector<std::string>{"Верифікація EEPROM успішна!"});
    }
    {
        SCOPED_TRACE("fuse write, which this programmer cannot do");
        JobInfo job;
        job.fuseBits = 0xE4;
        EXPECT_EQ(run(job), "Програмування fuse бітів не підтримується цим програматором!");
        EXPECT_TRUE(flashHoldsImage());
    }
    {
        SCOPED_TRACE("calibration address without a value");
        JobInfo job;
        job.chipErase = job.flashProgram = job.flashVerify = false;
        job.osccalFlashAddress = 0x1C000;
        EXPECT_EQ(run(job), "Значення OSCCAL не визначено!");
    }
    expectPortReleased();
}

TEST_F(SimulatedRun, RefusedFlashBlockEndsTheRunWithItsMessage)
{
    sim::Config config;
    config.faults.wrongReplyCommand = "BF";
    config.faults.wrongReplyIndex = 100;
    start(config);
    JobInfo job;

    EXPECT_EQ(run(job), "Помилка запису Флеш блока!\n Програматор не повернув CR після команди 'BxxF'.");
    EXPECT_EQ(frontend.beeps(), 0);
    EXPECT_TRUE(frontend.notices.empty());
    EXPECT_EQ(frontend.currentPosition, 0);
    expectPortReleased();
}

// Well inside the flash write, whatever the probe cost.
constexpr std::int64_t midRunBytes = 40000;

TEST_F(SimulatedRun, LineHungUpMidRunFailsAndLeavesNothingOpen)
{
    sim::Config config;
    config.faults.hangUpAfterBytes = midRunBytes;
    start(config);
    JobInfo job;

    // Whichever the tool was doing when the line went: writing a block or
    // waiting for its CR.
    EXPECT_THAT(run(job), ::testing::AnyOf("Помилка запису байту в COM порт!", "Пимилка читання байту з COM порту!"));
    EXPECT_EQ(frontend.beeps(), 0);
    EXPECT_TRUE(frontend.notices.empty());
    expectPortReleased(false);
}

} // namespace
