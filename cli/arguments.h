#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class Command { Ports, Connect, Program, Leave, Update, Verify };

struct Arguments {
    std::optional<Command> command;   // none: general help
    std::string port;                 // as typed; empty when not given
    bool assumeYes = false;
    std::string reportFile;           // empty: no service record
    bool help = false;
    bool version = false;
};

struct ParsedArguments {
    Arguments arguments;
    std::string error;                // empty when the command line is valid
};

// Parses everything after the program name. Order of options and the port is
// free; "--" ends the options.
ParsedArguments parseArguments(const std::vector<std::string>& words);

std::string_view commandName(Command command);
// The general help, or the help of one sub-command.
std::string helpText(std::optional<Command> command);
