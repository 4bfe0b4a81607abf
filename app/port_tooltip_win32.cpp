#include "app/port_tooltip.h"

QString portToolTip(int)
{
    return QString();
}
