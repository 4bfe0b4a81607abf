#pragma once

#include "common/run_step.h"

#include <string>

// What the core needs of whoever shows the run to the user: the progress bar,
// the success notice with its beep, and a chance to keep the window alive while
// the line is quiet. The GUI, the command line and the tests each bind their own
// implementation; with nothing bound, everything is silent.
namespace frontend {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setPosition(int position) = 0;
    // The core announces where each step with a bar or a wait of its own
    // starts (handshake, erase, write, read-back, compare): a bar that follows
    // belongs to it. A front end may ignore it.
    virtual void beginPhase(RunStep) {}
};

class Alerts {
public:
    virtual ~Alerts() = default;
    virtual void beep(int frequencyHz, int durationMs) = 0;
    // A modal notice with one OK button; returns when the user has closed it.
    virtual void showNotice(const std::string& text) = 0;
};

// Called now and then while the core waits for the instrument (at least every
// 50 ms of waiting). The window uses it to repaint without taking user input.
class Idle {
public:
    virtual ~Idle() = default;
    // Between whole frames: a front end may end the run from here by raising.
    virtual void whileWaiting() = 0;
    // While a frame is going out to the line. The bootloader must not be left
    // inside a half-sent frame, so nothing may be raised from here.
    virtual void whileSending() { whileWaiting(); }
};

Progress& progress();
void beginPhase(RunStep phase);
Alerts& alerts();
void whileWaiting();
void whileSending();

// Binds implementations for its lifetime and restores the previous ones after.
// A null pointer leaves that interface as it was.
class Binding {
public:
    explicit Binding(Progress* progress, Alerts* alerts = nullptr, Idle* idle = nullptr);
    ~Binding();
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

private:
    Progress* previousProgress;
    Alerts* previousAlerts;
    Idle* previousIdle;
};

} // namespace frontend
