#pragma once

#include "cli/run_outcome.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

// The service record that --report writes: the run's outcome as JSON, for the
// service centre's files.
std::string serviceRecordJson(const RunOutcome& outcome);

// "2024-05-17T08:03:09Z"
std::string isoUtcTime(std::chrono::system_clock::time_point when);

// "1E 97 02"
std::string signatureText(const std::array<std::int32_t, 3>& bytes);
