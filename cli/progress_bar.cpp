#include "cli/progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace {

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

ProgressBar::ProgressBar(std::string label, int barMaximum, double openTime)
    : name(std::move(label)), maximum(std::max(barMaximum, 0)), openedAt(openTime)
{
}

bool ProgressBar::moveTo(int position, double now)
{
    if (position == 0 && highest > 0) {
        isSettled = true;
        settledAt = now;
        return false;
    }
    isSettled = false;
    highest = std::max(highest, position);
    return true;
}

void ProgressBar::finish(bool complete)
{
    completed = complete;
    if (complete)
        highest = std::max(highest, maximum);
}

int ProgressBar::percent() const
{
    if (maximum <= 0)
        return completed ? 100 : 0;
    const long long done = std::clamp(highest, 0, maximum);
    return static_cast<int>(done * 100 / maximum);
}

std::string ProgressBar::text(double now) const
{
    const int filled = percent() * width / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(width - filled), '.');
    char text[160];
    std::snprintf(text, sizeof text, " [%s] %3d%%  %.0f s", bar.c_str(), percent(), stoppedAt(now) - openedAt);
    return paddedLabel(name) + text;
}

RedrawnLine::RedrawnLine(std::ostream& output, const std::function<double()>& steadyClock)
    : out(output), clock(steadyClock)
{
}

void RedrawnLine::draw(const std::string& text, bool force)
{
    const double now = clock();
    if (!force && drawnAt >= 0 && now - drawnAt < redrawInterval)
        return;
    drawnAt = now;
    std::string padded = text;
    if (padded.size() < drawnWidth)
        padded.append(drawnWidth - padded.size(), ' ');
    drawnWidth = text.size();
    shown = true;
    out << '\r' << padded << std::flush;
}

void RedrawnLine::keep()
{
    out << '\n';
    shown = false;
    drawnWidth = 0;
}

void RedrawnLine::erase()
{
    if (!shown)
        return;
    out << '\r' << std::string(drawnWidth, ' ') << '\r' << std::flush;
    shown = false;
    drawnWidth = 0;
}
