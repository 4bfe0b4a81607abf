#include "app/key_gate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QSet>

namespace {

int runningCommands = 0;
// Keys that went down while busy and have not been let go since.
QSet<int> heldBack;

bool isKeyEvent(const QEvent& event)
{
    return event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease;
}

bool busy()
{
    return runningCommands > 0 || QApplication::activeModalWidget() != nullptr;
}

// True when the event must not be delivered.
bool holdsBack(const QKeyEvent& key, const QObject* target)
{
    if (key.type() == QEvent::KeyRelease) {
        if (!heldBack.contains(key.key()))
            return false;
        if (!key.isAutoRepeat())
            heldBack.remove(key.key());
        return true;
    }
    if (heldBack.contains(key.key()))
        return true;
    return key.isAutoRepeat() && qobject_cast<const QAbstractButton*>(target) != nullptr;
}

// The keys that press a focused or default button, also in a message box.
bool pressesButtons(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space;
}

} // namespace

FreshKeyGate::FreshKeyGate(QObject* owner) : QObject(owner)
{
    QCoreApplication::instance()->installEventFilter(this);
}

FreshKeyGate::~FreshKeyGate()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

FreshKeyGate::Busy::Busy()
{
    ++runningCommands;
}

FreshKeyGate::Busy::~Busy()
{
    --runningCommands;
}

void FreshKeyGate::noteWhileBusy(const QEvent& event)
{
    if (!isKeyEvent(event))
        return;
    const auto& key = static_cast<const QKeyEvent&>(event);
    if (key.type() == QEvent::KeyPress)
        heldBack.insert(key.key());
    else if (!key.isAutoRepeat())
        heldBack.remove(key.key());
}

bool FreshKeyGate::eventFilter(QObject* watched, QEvent* event)
{
    // The release of a key held back may go to another application: a key
    // pressed after coming back is a fresh press.
    if (event->type() == QEvent::ApplicationStateChange &&
        static_cast<const QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
        heldBack.clear();
    if (!isKeyEvent(*event))
        return QObject::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    // Nothing here takes text: a repeating Enter or Space could only answer a
    // box that the first press opened (the stand-in question after Program).
    if (key.type() == QEvent::KeyPress && key.isAutoRepeat() && pressesButtons(key)) {
        if (busy())
            noteWhileBusy(key);
        return true;
    }
    if (busy()) {
        noteWhileBusy(*event);
        return false;
    }
    return holdsBack(key, watched);
}
