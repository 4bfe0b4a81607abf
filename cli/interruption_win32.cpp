#include "cli/interruption.h"

#include <csignal>

#include <windows.h>

namespace {

// Windows ends the process when a handler for the console's close returns, so
// that one waits (up to the system's few seconds) for the run to wind down.
BOOL WINAPI noteConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        interruption::request(SIGINT);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        interruption::request(SIGTERM);
        Sleep(4000);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

namespace interruption {

void install()
{
    SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
}

std::string requestName()
{
    return requestNumber() == SIGTERM ? "SIGTERM" : "SIGINT";
}

} // namespace interruption
