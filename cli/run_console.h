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
    // The firmware version is the "previous" one where the run is about to replace it.
    void showVersions(const session::Versions& versions, bool aboutToReplace);
    // A signature other than the expected one is flagged where it is shown.
    void showSignature(const session::Signature& signature, const session::Signature& expected);
    void showLeft();
    void showUpdated();
    // Where a run that went well leaves the instrument in its bootloader.
    void showWaiting(const std::string& advice);
    // One line on standard error: a failure, a hint.
    void tell(const std::string& line);

private:
    Console& console;
    ConsoleProgress bar;
    ConsoleAlerts notices;
};
