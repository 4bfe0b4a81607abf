#include "cli/console_frontend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

const std::string waitingName = "зачекайте";

} // namespace

ConsoleProgress::ConsoleProgress(std::ostream& output, bool onTerminal, Clock steadyClock)
    : out(output), terminal(onTerminal), clock(std::move(steadyClock)), line(out, clock)
{
}

ConsoleProgress::~ConsoleProgress()
{
    try {
        endStep(false);
    } catch (...) {
        // A stream that fails while the program ends has nothing left to tell.
    }
}

double ConsoleProgress::steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void ConsoleProgress::beginStep()
{
    endStep(false);
    inStep = true;
    waitingSince = clock();
}

void ConsoleProgress::beginPhase(RunStep next)
{
    // A new phase means the one before got through.
    endBar(true);
    phase = next;
    waitingSince = clock();
    const bool hasBar = next != RunStep::Erase && next != RunStep::ReadBack;
    if (!terminal && !hasBar)
        out << phaseText() << "...\n" << std::flush;
}

void ConsoleProgress::endStep(bool complete)
{
    endBar(complete);
    line.erase();
    inStep = false;
    phase.reset();
}

void ConsoleProgress::setMaximum(int newMaximum)
{
    // A new bar means the step behind the previous one got through.
    endBar(true);
    openBar(newMaximum);
}

void ConsoleProgress::setPosition(int position)
{
    // The core puts the bar back to 0 when its work is over, done or failed;
    // the console keeps showing how far it got. If the core then goes on
    // waiting, the work got through (a failure raises at once), and the wait
    // is shown after it.
    if (!bar || !bar->moveTo(position, clock()))
        return;
    if (terminal)
        line.draw(bar->text(clock()), false);
    else
        printPlainStep();
}

void ConsoleProgress::whileWaiting()
{
    if (!terminal)
        return;
    if (bar && bar->settled())
        endBar(true);
    if (bar)
        line.draw(bar->text(clock()), false);
    else if (inStep)
        line.draw(waitingText(), false);
}

void ConsoleProgress::endBar(bool complete)
{
    if (!bar)
        return;
    bar->finish(complete);
    if (terminal) {
        line.draw(bar->text(clock()), true);
        line.keep();
    } else {
        printPlainStep();
    }
    out.flush();
    waitingSince = bar->stoppedAt(clock());
    bar.reset();
}

void ConsoleProgress::openBar(int maximum)
{
    bar.emplace(phaseText(), maximum, clock());
    // Plain output starts at the first tenth: the opening 0 % says nothing.
    printedTenths = 0;
    if (terminal)
        line.draw(bar->text(clock()), true);
}

std::string ConsoleProgress::phaseText() const
{
    return phase ? stepLabel(*phase) : waitingName;
}

void ConsoleProgress::printPlainStep()
{
    const int tenths = bar->percent() / 10;
    if (tenths <= printedTenths)
        return;
    printedTenths = tenths;
    char text[64];
    std::snprintf(text, sizeof text, "%s: %d%%\n", bar->label().c_str(), bar->percent());
    out << text << std::flush;
}

std::string ConsoleProgress::waitingText() const
{
    char text[96];
    std::snprintf(text, sizeof text, "%s ... %.0f s", phaseText().c_str(), clock() - waitingSince);
    return text;
}

ConsoleAlerts::ConsoleAlerts(std::ostream& output, ConsoleProgress& bar, BeepFunction function)
    : out(output), progress(bar), beepFunction(std::move(function))
{
}

void ConsoleAlerts::beep(int frequencyHz, int durationMs)
{
    if (beepFunction)
        beepFunction(frequencyHz, durationMs);
}

void ConsoleAlerts::showNotice(const std::string& text)
{
    // Every notice of the core reports a step that got through.
    progress.endStep(true);
    shown.push_back(text);
    out << text << '\n' << std::flush;
}
