#pragma once

#include "cli/command_line.h"

#include <cstdint>

enum class OverwriteAnswer {
    YesByOption,   // --yes answered
    NoTerminal,    // nobody to answer: declined
    Yes,
    No,
};

// Asks the window's question before an instrument's firmware is overwritten
// with the built-in one, and reads the answer from a terminal. An answer cut
// short by a request to stop raises it.
OverwriteAnswer askOverwrite(Console& console, std::int32_t previousVersion, bool assumeYes);
