#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Where a run reads and writes, so that tests can stand in for the console.
struct Console {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool outIsTerminal = false;
    bool inIsTerminal = false;
    std::function<void(int frequencyHz, int durationMs)> beep;
};

// Runs the command line (the words after the program name) and returns the
// process's exit code (see exit_codes.h).
int runCommandLine(const std::vector<std::string>& words, Console& console);
