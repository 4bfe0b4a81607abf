#include "cli/command_line.h"

#include "cli/arguments.h"
#include "cli/exit_codes.h"
#include "cli/run.h"
#include "common/general_exception.h"
#include "image/builtin_image.h"
#include "link/serial_port.h"
#include "ports/adapter_info.h"
#include "ports/port_holders.h"
#include "ports/port_names.h"
#include "ports/port_numbers.h"
#include "ports/resolved_port.h"
#include "session/instrument_session.h"
#include "session/port_probe.h"
#include "session/session_texts.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#ifndef VELTOR_TOOL_VERSION
#define VELTOR_TOOL_VERSION "?"
#endif

namespace {

using session::noPortsFoundText;
using session::portTimeoutSeconds;
using session::targetVersion;
using session::versionText;

// COM1 to COM10 as the window's buttons offer them, and every port beyond
// them that the system lists.
std::vector<std::int32_t> portsToList()
{
    std::vector<std::int32_t> numbers = presentPortNumbers();
    for (std::int32_t n = firstPortNumber; n <= static_cast<std::int32_t>(portButtonCount); ++n)
        numbers.push_back(n);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

// Opens the port, unless it is a Bluetooth link, to tell whether it is free;
// says who holds it where the system can tell.
std::string portState(const ResolvedPort& port, bool& opened)
{
    const session::PortProbe probe = session::probePort(port);
    switch (probe.outcome) {
    case session::PortProbe::Outcome::Opened:
        opened = true;
        return "вільний";
    case session::PortProbe::Outcome::BluetoothLink:
        return bluetoothLinkText;
    case session::PortProbe::Outcome::NotOpened:
        break;
    }
    if (const std::vector<PortHolder> holders = portHolders(port.device); !holders.empty())
        return "зайнятий: " + holdersText(holders);
    if (heldByAnotherProgram(probe.cause))
        return anotherProgramHoldsText();
    return "недоступний: " + probe.failure;
}

// Lists the ports; succeeds when one of them can be used now.
int listPorts(Console& console)
{
    const PortSurvey survey;
    const std::vector<std::int32_t> present = presentPortNumbers();
    bool anyPresent = false;
    bool anyOpened = false;
    for (const std::int32_t n : portsToList()) {
        const ResolvedPort port = resolvePort(n);
        const std::string& device = port.device;
        const bool absent = device.empty() || std::find(present.begin(), present.end(), n) == present.end();
        anyPresent = anyPresent || !absent;
        const std::string state = absent ? "немає пристрою" : portState(port, anyOpened);
        char name[8];
        std::snprintf(name, sizeof name, "COM%-3d", n);
        std::string shownDevice = device.empty() ? "-" : device;
        if (shownDevice.size() < 20)
            shownDevice.resize(20, ' ');
        console.out << name << ' ' << shownDevice << ' ' << state << '\n';
        // The stable name tells two adapters apart where the number may change.
        if (port.adapter)
            console.out << "       " << port.adapter->stablePath << " (" << port.adapter->description << ")\n";
        if (port.driver)
            console.out << "       " << adapterDriverText(*port.driver) << '\n';
    }
    if (!anyOpened) {
        console.err << (anyPresent ? "Вільного COM порту немає: кожен знайдений зайнятий або недоступний."
                                   : noPortsFoundText)
                    << '\n';
        return toInt(ExitCode::PortFailure);
    }
    return toInt(ExitCode::Success);
}

} // namespace

int runCommandLine(const std::vector<std::string>& words, Console& console)
{
    const ParsedArguments parsed = parseArguments(words);
    if (!parsed.error.empty()) {
        console.err << "veltor-update: " << parsed.error << "\nДив. veltor-update --help\n";
        return toInt(ExitCode::UsageError);
    }
    const Arguments& arguments = parsed.arguments;
    if (arguments.version) {
        console.out << "veltor-update " << VELTOR_TOOL_VERSION << " (мікропрограма " << versionText(targetVersion)
                    << (builtinFirmwareIsStandIn ? ", тестова заміна" : "") << ")\n";
        return toInt(ExitCode::Success);
    }
    if (arguments.help || !arguments.command) {
        console.out << helpText(arguments.command);
        return toInt(arguments.help ? ExitCode::Success : ExitCode::UsageError);
    }
    if (*arguments.command == Command::Ports)
        return listPorts(console);
    if (builtinFirmwareIsStandIn)
        console.err << standInFirmwareWarning << '\n';
    return runInstrumentCommand(arguments, console);
}
