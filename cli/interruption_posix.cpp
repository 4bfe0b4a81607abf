#include "cli/interruption.h"

#include <csignal>

namespace {

extern "C" void noteInterruption(int signalNumber)
{
    interruption::request(signalNumber);
}

void noteOn(int signalNumber)
{
    struct sigaction action {};
    action.sa_handler = noteInterruption;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read of the terminal (the overwrite question) returns
    // at once, and the run notices the request.
    action.sa_flags = 0;
    sigaction(signalNumber, &action, nullptr);
}

} // namespace

namespace interruption {

void install()
{
    noteOn(SIGINT);
    noteOn(SIGTERM);
    noteOn(SIGHUP);
    // A closed pipe on standard output (| head) must not end a run that is
    // writing the instrument: the write fails instead, and is ignored.
    std::signal(SIGPIPE, SIG_IGN);
}

std::string requestName()
{
    switch (requestNumber()) {
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "SIGINT";
    }
}

} // namespace interruption
