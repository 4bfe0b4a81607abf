#pragma once

#include <QString>

// What the port button of COMn shows when the pointer rests on it: on Linux
// the device that COMn stands for; nothing where the name says it all.
QString portToolTip(int portNumber);
