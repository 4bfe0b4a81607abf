#pragma once

#include "ports/resolved_port.h"

#include <QString>

#include <system_error>

// What the port button of COMn shows when the pointer rests on it: the device
// that COMn stands for and, where the system names the adapter (Linux: its
// /dev/serial/by-id link; Windows: the name Device Manager shows), that name
// and the adapter's maker, product or USB ids and serial number, so that two
// adapters can be told apart; the adapter's driver with, for the FTDI kind,
// its latency timer; that it is a Bluetooth link, which the probe leaves
// unopened; and who holds the port, as far as the system tells.
// openFailure is why the probe could not open the port (none when it could).
QString portToolTip(const ResolvedPort& port, const std::error_code& openFailure);
