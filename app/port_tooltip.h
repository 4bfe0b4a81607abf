#pragma once

#include <QString>

// What the port button of COMn shows when the pointer rests on it: on Linux
// the device that COMn stands for and, where the system names it stably
// (/dev/serial/by-id), that name and the adapter's description, so that two
// adapters can be told apart, and the adapter's driver with, for the FTDI
// kind, its latency timer; nothing where the name says it all.
QString portToolTip(int portNumber);
