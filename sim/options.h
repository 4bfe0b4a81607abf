#pragma once

#include "sim/instrument.h"

#include <stdexcept>
#include <string>
#include <vector>

// The command line of veltor-sim.
namespace sim {

struct Options {
    Config config;
    std::string linkPath;   // a symbolic link to the slave side, made at start and removed at exit
    bool help = false;
};

struct OptionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws OptionError naming the offending option.
Options parseOptions(const std::vector<std::string>& arguments);
std::string usage(const std::string& program);

} // namespace sim
