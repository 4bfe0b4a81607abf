#pragma once

// An adapter of the FTDI kind holds each short reply of the instrument back
// for its latency timer, 16 ms unless someone lowered it: a full update then
// takes about 37 s instead of 21. Which adapter earns a word about it, and the
// words, for both front ends.

#include "ports/adapter_info.h"
#include "ports/low_latency.h"
#include "ports/resolved_port.h"

#include <optional>
#include <string>

// A timer of this or less costs an update nothing worth telling.
inline constexpr int quickLatencyTimerMs = 2;

// The adapter behind the port with its timer when that is above
// quickLatencyTimerMs and in force: none for a port without such a timer, and
// none where the driver took the low-latency request at open (Linux), since it
// then hands replies over at once whatever the timer says.
std::optional<AdapterDriver> slowLatencyTimer(const ResolvedPort& port, const LowLatencyOutcome& lowLatency);

// One short line that names the timer and where to lower it: "Таймер затримки
// FTDI 16 мс → 1 мс: Диспетчер пристроїв › Параметри порту › Додатково".
std::string latencyTimerNotice(const AdapterDriver& adapter, const std::string& devicePath);

// How to lower the timer, step by step, on this platform.
std::string latencyTimerSteps(const ResolvedPort& port);
