#pragma once

#include "common/frontend.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The core's progress bar on a console. On a terminal one line is redrawn in
// place, at most ten times a second, and while the core waits without a bar
// (erasing, reading back, a write on the byte path) the line shows the time
// going by. Otherwise a plain line is printed for every tenth of the way, so
// logs stay short.
//
// The core only sets maximum and position; the caller names what the bars of a
// step stand for (handshake; write, then verification). A bar whose position
// climbs one by one takes the last name, the comparison's: a write moves a
// whole block at a time, and on the byte path it shows no bar at all, so the
// first bar of a run may well be the comparison.
class ConsoleProgress final : public frontend::Progress, public frontend::Idle {
public:
    using Clock = std::function<double()>;   // seconds on a steady clock

    ConsoleProgress(std::ostream& out, bool terminal, Clock clock = steadySeconds);
    ~ConsoleProgress() override;

    // Starts a step whose bars the next setMaximum calls open, in order; the
    // last name stays for any further bar.
    void expectBars(std::vector<std::string> names);
    // Ends the open bar, if any: complete shows it full, else as far as it got.
    void endBar(bool complete);
    // Ends the step: its bar as endBar, and the waiting line is cleared, so
    // that the caller may print.
    void endStep(bool complete);

    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void whileWaiting() override;

    static double steadySeconds();
    static constexpr double redrawInterval = 0.1;
    static constexpr int barWidth = 30;

private:
    void openBar(int maximum);
    void printPlainStep();
    int percent() const;
    std::string barText() const;
    std::string waitingText() const;
    const std::string& nextName() const;
    void draw(const std::string& text, bool force);
    void eraseLine();

    std::ostream& out;
    bool terminal;
    Clock clock;

    std::vector<std::string> names;
    std::size_t namesUsed = 0;
    bool inStep = false;
    double waitingSince = 0;

    bool barOpen = false;
    std::string label;
    int maximum = 0;
    int highest = 0;
    int previousPosition = -1;
    double openedAt = 0;
    bool completed = false;
    bool settled = false;       // put back to 0 by the core after progress
    double settledAt = 0;
    int printedTenths = 0;

    bool lineShown = false;
    std::size_t drawnWidth = 0;
    double drawnAt = -1;
};

// The success notice and its beep on a console. The notice ends any bar first.
class ConsoleAlerts final : public frontend::Alerts {
public:
    using BeepFunction = std::function<void(int frequencyHz, int durationMs)>;

    ConsoleAlerts(std::ostream& out, ConsoleProgress& progress, BeepFunction beepFunction);

    void beep(int frequencyHz, int durationMs) override;
    void showNotice(const std::string& text) override;

    const std::vector<std::string>& notices() const { return shown; }

private:
    std::ostream& out;
    ConsoleProgress& progress;
    BeepFunction beepFunction;
    std::vector<std::string> shown;
};
