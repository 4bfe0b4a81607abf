#include "cli/console_frontend.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Phase = RunStep;

struct FakeClock {
    double now = 100.0;
    ConsoleProgress::Clock function()
    {
        return [this] { return now; };
    }
};

int count(const std::string& text, const std::string& part)
{
    int found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++found;
    return found;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

TEST(ConsoleProgress, PlainOutputPrintsOneLinePerTenthAndTheEnd)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, false, clock.function());
    progress.beginStep();
    progress.beginPhase(Phase::Write);
    progress.setMaximum(1000);
    for (int position = 0; position <= 1000; position += 50)
        progress.setPosition(position);
    progress.endBar(true);
    EXPECT_EQ(lines(out.str()), (std::vector<std::string>{"запис: 10%", "запис: 20%", "запис: 30%",
                                                         "запис: 40%", "запис: 50%", "запис: 60%", "запис: 70%",
                                                         "запис: 80%", "запис: 90%", "запис: 100%"}));
}

// The comparison sets the position once per byte, 81,757 times in a few
// milliseconds; the terminal must not see a redraw for each.
TEST(ConsoleProgress, TerminalRedrawsAtMostTenTimesASecond)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, true, clock.function());
    progress.beginStep();
    progress.beginPhase(Phase::Compare);
    progress.setMaximum(81756);
    for (int position = 0; position <= 81756; ++position) {
        progress.setPosition(position);
        clock.now += 0.5 / 81757;   // half a second for the whole comparison
    }
    const int redraws = count(out.str(), "\r");
    EXPECT_GE(redraws, 2);
    EXPECT_LE(redraws, 8);
    progress.endBar(true);
    EXPECT_NE(out.str().find("[" + std::string(ConsoleProgress::barWidth, '#') + "] 100%"), std::string::npos);
    EXPECT_EQ(out.str().back(), '\n');
}

TEST(ConsoleProgress, TerminalShowsTimePassingWhileTheCoreWaits)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, true, clock.function());
    progress.beginStep();
    progress.beginPhase(Phase::Handshake);
    progress.setMaximum(5);
    clock.now += 2;
    progress.whileWaiting();
    EXPECT_NE(out.str().find("2 s"), std::string::npos) << out.str();
}

// Between the write and the comparison the flash is read back with no bar;
// the terminal shows the write as done and then the time going by.
TEST(ConsoleProgress, TerminalKeepsTheDoneBarAndShowsTheWaitAfterIt)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, true, clock.function());
    progress.beginStep();
    progress.beginPhase(Phase::Write);
    progress.setMaximum(512);
    clock.now += 1;
    progress.setPosition(256);
    clock.now += 1;
    progress.setPosition(512);
    progress.setPosition(0);
    clock.now += 1;
    progress.whileWaiting();
    EXPECT_TRUE(out.str().ends_with("] 100%  2 s\n")) << out.str();

    progress.beginPhase(Phase::ReadBack);
    clock.now += 4;
    progress.whileWaiting();
    EXPECT_TRUE(out.str().ends_with("\rчитання ... 4 s")) << out.str();

    // Ending the step wipes the waiting line, so that the next text starts clean.
    progress.endStep(true);
    const std::string wiped = std::string("\r") + std::string(std::string("читання ... 4 s").size(), ' ') + "\r";
    EXPECT_TRUE(out.str().ends_with(wiped)) << out.str();
}

TEST(ConsoleProgress, AFailedStepShowsHowFarItGot)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, false, clock.function());
    progress.beginStep();
    progress.beginPhase(Phase::Compare);
    progress.setMaximum(1000);
    for (int position = 0; position <= 500; ++position)
        progress.setPosition(position);
    progress.setPosition(0);   // the core resets the bar before it raises
    progress.endBar(false);
    EXPECT_EQ(lines(out.str()).back(), "перевірка: 50%");
}

// A bar takes the name of the phase the core announced last; plain output
// marks where a phase without a bar starts, so a log of a run that fails in the
// read-back does not end with the write.
TEST(ConsoleProgress, BarsTakeTheirPhasesNameAndPlainOutputMarksPhasesWithoutABar)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, false, clock.function());
    progress.beginStep();
    progress.setMaximum(4);
    progress.setPosition(4);
    progress.beginPhase(Phase::Erase);
    progress.beginPhase(Phase::Write);
    progress.setMaximum(1024);
    for (int position = 256; position <= 1024; position += 256)
        progress.setPosition(position);
    progress.setPosition(0);
    progress.beginPhase(Phase::ReadBack);
    EXPECT_EQ(progress.currentPhase(), Phase::ReadBack);
    progress.beginPhase(Phase::Compare);
    progress.setMaximum(1024);
    for (int position = 0; position <= 512; ++position)
        progress.setPosition(position);
    progress.endStep(false);
    EXPECT_FALSE(progress.currentPhase());
    EXPECT_EQ(lines(out.str()), (std::vector<std::string>{"зачекайте: 100%", "стирання...", "запис: 25%",
                                                         "запис: 50%", "запис: 75%", "запис: 100%", "читання...",
                                                         "перевірка: 10%", "перевірка: 20%", "перевірка: 30%",
                                                         "перевірка: 40%", "перевірка: 50%"}));
}

TEST(ConsoleProgress, PositionsBeforeAnyBarAndAZeroMaximumAreHarmless)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, true, clock.function());
    progress.setPosition(40);
    progress.endBar(true);
    EXPECT_EQ(out.str(), "");
    progress.setMaximum(0);
    progress.setPosition(0);
    progress.endBar(true);
    EXPECT_NE(out.str().find("100%"), std::string::npos);
}

TEST(ConsoleAlerts, TheNoticeEndsTheBarAndTheBeepGoesToThePlatform)
{
    std::ostringstream out;
    FakeClock clock;
    ConsoleProgress progress(out, true, clock.function());
    std::vector<std::pair<int, int>> beeps;
    ConsoleAlerts alerts(out, progress, [&](int f, int d) { beeps.emplace_back(f, d); });
    progress.beginStep();
    progress.beginPhase(Phase::Compare);
    progress.setMaximum(10);
    progress.setPosition(10);
    progress.setPosition(0);
    alerts.beep(600, 100);
    alerts.showNotice("Верифікація успішна!");
    EXPECT_EQ(beeps, (std::vector<std::pair<int, int>>{{600, 100}}));
    const std::vector<std::string> shown = lines(out.str());
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), "Верифікація успішна!");
    EXPECT_NE(out.str().find("100%"), std::string::npos);
}

} // namespace
