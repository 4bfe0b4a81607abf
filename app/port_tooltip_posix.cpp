#include "app/port_tooltip.h"

#include "link/port_names.h"

QString portToolTip(int portNumber)
{
    return QString::fromStdString(portDevicePath(portNumber));
}
