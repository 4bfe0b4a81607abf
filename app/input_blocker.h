#pragma once

#include "app/key_gate.h"

#include <QObject>

class QWidget;

// Keeps user input away from one window while a command talks to the instrument.
// The window still repaints (the command lets paint events through), and its
// look stays as it is: nothing is greyed out. Other top-level windows, such as
// a message box the command shows, work as usual.
// Keys that go down meanwhile are held back afterwards until they are let go
// (see FreshKeyGate).
//
// Events that arrive while the command runs are dropped, also those that the
// platform holds back until the command returns: call discardQueuedInput at the
// end of the command, while the blocker is still installed.
class UserInputBlocker final : public QObject {
public:
    explicit UserInputBlocker(QWidget& window);
    ~UserInputBlocker() override;
    UserInputBlocker(const UserInputBlocker&) = delete;
    UserInputBlocker& operator=(const UserInputBlocker&) = delete;

    void discardQueuedInput();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* object) const;

    QWidget& window;
    FreshKeyGate::Busy busy;
};

// True for the events through which a user acts on a window.
bool isUserInputEvent(const QEvent& event);
