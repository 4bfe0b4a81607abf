#pragma once

#include "cli/command_line.h"
#include "cli/console_frontend.h"
#include "cli/port_choice.h"
#include "session/instrument_session.h"

#include <string>

// How a run of an instrument command shows itself on the console: what it
// finds and does on standard output, failures and hints on standard error,
// and the core's progress and notices as the console draws them (redrawn on a
// terminal, plain lines in a pipe).
class RunConsole {
public:
    explicit RunConsole(Console& console);

    Console& streams() { return console; }
    ConsoleProgress& progress() { return bar; }
    ConsoleAlerts& alerts() { return notices; }

    // "Порт: COM3 (/dev/ttyUSB0)"; a port chosen by its path is named by the path alone.
    void showPort(const ResolvedPort& port);
    // Asks for the instrument to be switched on while the handshake waits for it.
    void promptSwitchOn();
    void showIdentifier(bool matched);
    void showVersions(const session::Versions& versions);
    void showSignature(const session::Signature& signature);
    void showLeft();
    void showUpdated();
    // One line on standard error: a failure, a hint.
    void tell(const std::string& line);

private:
    Console& console;
    ConsoleProgress bar;
    ConsoleAlerts notices;
};
