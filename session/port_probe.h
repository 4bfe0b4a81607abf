#pragma once

#include "ports/resolved_port.h"

#include <string>
#include <system_error>

// What the probes of the window (at start and at reset) and of
// `veltor-update ports` find of one port. A port counts as available when it
// opens and closes again; nothing is sent or read.
namespace session {

struct PortProbe {
    enum class Outcome {
        Opened,
        NotOpened,
        // Not tried: opening a paired device's port makes the system reach out
        // to it and blocks for seconds (isBluetoothLink, ports/port_names.h).
        BluetoothLink,
    };
    Outcome outcome = Outcome::NotOpened;
    std::string failure;   // why it did not open, in the open's own words
    std::error_code cause; // the system's error behind that, where it gave one
};

PortProbe probePort(const ResolvedPort& port);

} // namespace session
