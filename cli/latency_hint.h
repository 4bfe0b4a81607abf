#pragma once

#include "ports/low_latency.h"
#include "ports/resolved_port.h"
#include "link/round_trip_meter.h"

#include <chrono>
#include <cstdint>
#include <string>

// The one line the command line prints when a USB serial adapter holds the
// instrument's replies back: what it costs and how to lower it. Empty when
// the replies come as fast as the line allows.
std::string latencyHint(const ReplyTime& time, const ResolvedPort& port, const LowLatencyOutcome& lowLatency);

// What to do about it on this platform (latency_hint_posix.cpp, latency_hint_win32.cpp).
std::string latencyAdvice(const ResolvedPort& port, const LowLatencyOutcome& lowLatency);

// How the service record names the low-latency outcome: "set", "already set", "refused: why", "not asked".
std::string lowLatencyText(const LowLatencyOutcome& lowLatency);

// Milliseconds with one decimal: "15.8".
std::string millisecondsText(std::chrono::microseconds span);
