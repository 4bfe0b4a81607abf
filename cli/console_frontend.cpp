#include "cli/console_frontend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

const std::string waitingName = "зачекайте";
constexpr std::size_t labelColumns = 10;

// The label followed by blanks up to a fixed column, counting characters, not
// UTF-8 bytes.
std::string paddedLabel(const std::string& label)
{
    std::size_t characters = 0;
    for (unsigned char c : label)
        characters += (c & 0xC0) != 0x80;
    std::string text = label;
    if (characters < labelColumns)
        text.append(labelColumns - characters, ' ');
    return text;
}

} // namespace

ConsoleProgress::ConsoleProgress(std::ostream& output, bool onTerminal, Clock steadyClock)
    : out(output), terminal(onTerminal), clock(std::move(steadyClock))
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
    eraseLine();
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
    if (!barOpen)
        return;
    // The core puts the bar back to 0 when its work is over, done or failed;
    // the console keeps showing how far it got and stops the bar's clock. If
    // the core then goes on waiting, the work got through (a failure raises at
    // once), and the wait is shown after it.
    if (position == 0 && highest > 0) {
        settled = true;
        settledAt = clock();
        return;
    }
    settled = false;
    highest = std::max(highest, position);
    if (terminal)
        draw(barText(), false);
    else
        printPlainStep();
}

void ConsoleProgress::whileWaiting()
{
    if (!terminal)
        return;
    if (barOpen && settled)
        endBar(true);
    if (barOpen)
        draw(barText(), false);
    else if (inStep)
        draw(waitingText(), false);
}

void ConsoleProgress::endBar(bool complete)
{
    if (!barOpen)
        return;
    completed = complete;
    if (complete)
        highest = std::max(highest, maximum);
    if (terminal) {
        draw(barText(), true);
        out << '\n';
        lineShown = false;
        drawnWidth = 0;
    } else {
        printPlainStep();
    }
    out.flush();
    barOpen = false;
    waitingSince = settled ? settledAt : clock();
}

void ConsoleProgress::openBar(int newMaximum)
{
    barOpen = true;
    maximum = std::max(newMaximum, 0);
    highest = 0;
    label = phaseText();
    openedAt = clock();
    completed = false;
    settled = false;
    // Plain output starts at the first tenth: the opening 0 % says nothing.
    printedTenths = 0;
    if (terminal)
        draw(barText(), true);
}

std::string ConsoleProgress::phaseText() const
{
    return phase ? stepLabel(*phase) : waitingName;
}

void ConsoleProgress::printPlainStep()
{
    const int tenths = percent() / 10;
    if (tenths <= printedTenths)
        return;
    printedTenths = tenths;
    char text[64];
    std::snprintf(text, sizeof text, "%s: %d%%\n", label.c_str(), percent());
    out << text << std::flush;
}

int ConsoleProgress::percent() const
{
    if (maximum <= 0)
        return completed ? 100 : 0;
    const long long done = std::clamp(highest, 0, maximum);
    return static_cast<int>(done * 100 / maximum);
}

std::string ConsoleProgress::barText() const
{
    const int filled = percent() * barWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(barWidth - filled), '.');
    const double seconds = (settled ? settledAt : clock()) - openedAt;
    char text[160];
    std::snprintf(text, sizeof text, " [%s] %3d%%  %.0f s", bar.c_str(), percent(), seconds);
    return paddedLabel(label) + text;
}

std::string ConsoleProgress::waitingText() const
{
    char text[96];
    std::snprintf(text, sizeof text, "%s ... %.0f s", phaseText().c_str(), clock() - waitingSince);
    return text;
}

void ConsoleProgress::draw(const std::string& text, bool force)
{
    const double now = clock();
    if (!force && drawnAt >= 0 && now - drawnAt < redrawInterval)
        return;
    drawnAt = now;
    std::string padded = text;
    if (padded.size() < drawnWidth)
        padded.append(drawnWidth - padded.size(), ' ');
    drawnWidth = text.size();
    lineShown = true;
    out << '\r' << padded << std::flush;
}

void ConsoleProgress::eraseLine()
{
    if (!lineShown)
        return;
    out << '\r' << std::string(drawnWidth, ' ') << '\r' << std::flush;
    lineShown = false;
    drawnWidth = 0;
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
