#include "cli/command_line.h"
#include "cli/platform.h"
#include "desktop/beep.h"

#include <iostream>

int main(int argc, char** argv)
{
    prepareConsole();
    std::vector<std::string> words(argv + 1, argv + argc);
    Console console{std::cout, std::cerr, std::cin, isTerminal(stdout), isTerminal(stdin), platformBeep};
    return runCommandLine(words, console);
}
