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
    if (!isKeyEvent(*event))
        return QObject::eventFilter(watched, event);
    if (busy()) {
        noteWhileBusy(*event);
        return false;
    }
    return holdsBack(static_cast<const QKeyEvent&>(*event), watched);
}
