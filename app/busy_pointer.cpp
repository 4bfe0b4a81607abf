#include "app/busy_pointer.h"

#include <QCursor>
#include <QGuiApplication>

BusyPointer::BusyPointer()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyPointer::~BusyPointer()
{
    QGuiApplication::restoreOverrideCursor();
}

NormalPointer::NormalPointer()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
}

NormalPointer::~NormalPointer()
{
    QGuiApplication::restoreOverrideCursor();
}
