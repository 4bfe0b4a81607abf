#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

// One bar of the core's progress as the console shows it: how far it got and
// for how long. The core puts a bar back to 0 when its work is over, done or
// failed; the bar then keeps how far it got, and its clock stops.
class ProgressBar {
public:
    static constexpr int width = 30;

    ProgressBar(std::string label, int maximum, double openedAt);

    // False when the position only settles the bar: nothing new to show.
    bool moveTo(int position, double now);
    // Complete shows it full, else as far as it got.
    void finish(bool complete);

    bool settled() const { return isSettled; }
    // When the bar's clock stopped or, while it runs, now.
    double stoppedAt(double now) const { return isSettled ? settledAt : now; }
    const std::string& label() const { return name; }
    int percent() const;
    // "запис      [#########.....]  30%  4 s"
    std::string text(double now) const;

private:
    std::string name;
    int maximum;
    int highest = 0;
    double openedAt;
    bool completed = false;
    bool isSettled = false;
    double settledAt = 0;
};

// One line of a terminal, redrawn in place; at most ten times a second unless forced.
class RedrawnLine {
public:
    static constexpr double redrawInterval = 0.1;

    RedrawnLine(std::ostream& out, const std::function<double()>& clock);

    void draw(const std::string& text, bool force);
    // Keeps what the line shows; the next drawing starts below it.
    void keep();
    // Wipes the line, so that the next text starts clean.
    void erase();

private:
    std::ostream& out;
    const std::function<double()>& clock;
    bool shown = false;
    std::size_t drawnWidth = 0;
    double drawnAt = -1;
};
