#pragma once

#include "common/frontend.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The core's progress bar on a console. On a terminal one line is redrawn in
// place (at most ten times a second); otherwise a plain line is printed for
// every tenth of the way, so logs stay short.
//
// The core only sets maximum and position; the caller names what the next bars
// stand for (handshake; write, then verification). A bar whose position climbs
// one by one takes the last name, the comparison's: a write moves a whole block
// at a time, and on the byte path it shows no bar at all, so the first bar of a
// run may well be the comparison.
class ConsoleProgress final : public frontend::Progress, public frontend::Idle {
public:
    using Clock = std::function<double()>;   // seconds on a steady clock

    ConsoleProgress(std::ostream& out, bool terminal, Clock clock = steadySeconds);
    ~ConsoleProgress() override;

    // Names for the bars that the next setMaximum calls open, in order; the
    // last name stays for any further bar.
    void expectBars(std::vector<std::string> names);
    // Ends the open bar, if any: complete shows it full, else where it got to.
    void endBar(bool complete);

    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void whileWaiting() override;

    static double steadySeconds();
    static constexpr double redrawInterval = 0.1;
    static constexpr int barWidth = 30;

private:
    void openBar(int maximum);
    void redraw(bool force);
    void printPlainStep();
    int percent(int position) const;
    std::string line(int position) const;

    std::ostream& out;
    bool terminal;
    Clock clock;
    std::vector<std::string> names;
    std::size_t nextName = 0;

    bool barOpen = false;
    std::string label;
    int maximum = 0;
    int position = 0;
    int highest = 0;
    int previousPosition = -1;
    double openedAt = 0;
    double drawnAt = -1;
    int printedTenths = 0;
    bool completed = false;
    std::size_t drawnWidth = 0;
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
