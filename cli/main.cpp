#include "cli/command_line.h"
#include "cli/interruption.h"
#include "cli/platform.h"
#include "desktop/beep.h"
#include "desktop/standard_streams.h"

#include <iostream>

int main(int argc, char** argv)
{
    // Before anything opens a port, which could otherwise become the console.
    openMissingStandardStreams();
    interruption::install();
    prepareConsole();
    std::vector<std::string> words(argv + 1, argv + argc);
    Console console{std::cout, std::cerr, std::cin, isTerminal(stdout), isTerminal(stdin), platformBeep};
    return runCommandLine(words, console);
}
