#pragma once

#include "cli/progress_bar.h"
#include "common/frontend.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The core's progress bar on a console. On a terminal one line is redrawn in
// place, at most ten times a second, and while the core waits without a bar
// (erasing, reading back, a write on the byte path) the line shows the time
// going by. Otherwise a plain line is printed for every tenth of the way, so
// logs stay short.
//
// The core announces each phase (handshake, erase, write, read-back, compare)
// where it starts; a bar and a wait take the name of the phase they belong to.
// Plain output also prints a line where a phase without a bar (erase,
// read-back) starts, so that a log shows how far a failed run got.
class ConsoleProgress final : public frontend::Progress, public frontend::Idle {
public:
    using Clock = std::function<double()>;   // seconds on a steady clock

    ConsoleProgress(std::ostream& out, bool terminal, Clock clock = steadySeconds);
    ~ConsoleProgress() override;
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    // Starts a step: until it ends, a terminal shows the time going by while
    // the core waits without a bar.
    void beginStep();
    // Ends the open bar, if any: complete shows it full, else as far as it got.
    void endBar(bool complete);
    // Ends the step: its bar as endBar, and the waiting line is cleared, so
    // that the caller may print.
    void endStep(bool complete);

    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void beginPhase(RunStep phase) override;
    void whileWaiting() override;

    // The phase announced last in the current step, if any.
    const std::optional<RunStep>& currentPhase() const { return phase; }

    static double steadySeconds();
    static constexpr int barWidth = ProgressBar::width;

private:
    void openBar(int maximum);
    void printPlainStep();
    std::string waitingText() const;
    std::string phaseText() const;

    std::ostream& out;
    bool terminal;
    Clock clock;

    std::optional<RunStep> phase;
    bool inStep = false;
    double waitingSince = 0;

    std::optional<ProgressBar> bar;
    int printedTenths = 0;
    RedrawnLine line;
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
