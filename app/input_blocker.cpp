#include "app/input_blocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

UserInputBlocker::UserInputBlocker(QWidget& blockedWindow) : window(blockedWindow)
{
    QCoreApplication::instance()->installEventFilter(this);
}

UserInputBlocker::~UserInputBlocker()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void UserInputBlocker::discardQueuedInput()
{
    QCoreApplication::processEvents();
}

bool UserInputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    if (isUserInputEvent(*event) && belongsToWindow(watched)) {
        FreshKeyGate::noteWhileBusy(*event);
        // A close request that is not ignored would still close the window.
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool UserInputBlocker::belongsToWindow(QObject* object) const
{
    for (; object; object = object->parent()) {
        if (auto* widget = qobject_cast<QWidget*>(object))
            return widget->window() == &window;
        if (auto* platformWindow = qobject_cast<QWindow*>(object))
            return platformWindow == window.windowHandle();
    }
    return false;
}

bool isUserInputEvent(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}
