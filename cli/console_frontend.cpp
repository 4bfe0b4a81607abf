#include "cli/console_frontend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

ConsoleProgress::ConsoleProgress(std::ostream& output, bool onTerminal, Clock steadyClock)
    : out(output), terminal(onTerminal), clock(std::move(steadyClock))
{
}

ConsoleProgress::~ConsoleProgress()
{
    try {
        endBar(false);
    } catch (...) {
        // A stream that fails while the program ends has nothing left to tell.
    }
}

double ConsoleProgress::steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void ConsoleProgress::expectBars(std::vector<std::string> barNames)
{
    names = std::move(barNames);
    nextName = 0;
}

void ConsoleProgress::setMaximum(int newMaximum)
{
    if (barOpen) {
        // A new bar means the step behind the previous one got through.
        endBar(true);
    }
    openBar(newMaximum);
}

void ConsoleProgress::setPosition(int newPosition)
{
    if (!barOpen)
        return;
    if (newPosition == previousPosition + 1 && newPosition > 0 && !names.empty())
        label = names.back();
    previousPosition = newPosition;
    position = newPosition;
    highest = std::max(highest, newPosition);
    if (terminal)
        redraw(false);
    else
        printPlainStep();
}

void ConsoleProgress::whileWaiting()
{
    if (barOpen && terminal)
        redraw(false);
}

void ConsoleProgress::endBar(bool complete)
{
    if (!barOpen)
        return;
    completed = complete;
    if (complete)
        highest = std::max(highest, maximum);
    position = highest;
    if (terminal) {
        redraw(true);
        out << '\n';
    } else {
        printPlainStep();
    }
    out.flush();
    barOpen = false;
}

void ConsoleProgress::openBar(int newMaximum)
{
    barOpen = true;
    maximum = std::max(newMaximum, 0);
    position = 0;
    highest = 0;
    previousPosition = -1;
    label = names.empty() ? std::string("progress") : names[std::min(nextName, names.size() - 1)];
    ++nextName;
    openedAt = clock();
    completed = false;
    // Plain output starts at the first tenth: the opening 0 % says nothing, and
    // the bar's name may still change with its first steps.
    printedTenths = 0;
    drawnWidth = 0;
    if (terminal)
        redraw(true);
}

void ConsoleProgress::redraw(bool force)
{
    const double now = clock();
    if (!force && drawnAt >= 0 && now - drawnAt < redrawInterval)
        return;
    drawnAt = now;
    std::string text = line(position);
    const std::size_t width = text.size();
    if (width < drawnWidth)
        text.append(drawnWidth - width, ' ');
    drawnWidth = width;
    out << '\r' << text << std::flush;
}

void ConsoleProgress::printPlainStep()
{
    const int tenths = percent(position) / 10;
    if (tenths <= printedTenths)
        return;
    printedTenths = tenths;
    char text[64];
    std::snprintf(text, sizeof text, "%s: %d%%\n", label.c_str(), percent(position));
    out << text << std::flush;
}

int ConsoleProgress::percent(int at) const
{
    if (maximum <= 0)
        return completed ? 100 : 0;
    const long long clamped = std::clamp(at, 0, maximum);
    return static_cast<int>(clamped * 100 / maximum);
}

std::string ConsoleProgress::line(int at) const
{
    const int done = percent(at) * barWidth / 100;
    std::string bar(static_cast<std::size_t>(done), '#');
    bar.append(static_cast<std::size_t>(barWidth - done), '.');
    char text[160];
    std::snprintf(text, sizeof text, "%-12s [%s] %3d%%  %.0f s", label.c_str(), bar.c_str(), percent(at),
                  clock() - openedAt);
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
    progress.endBar(true);
    shown.push_back(text);
    out << text << '\n' << std::flush;
}
