#pragma once

#include "ports/port_holders.h"

#include <filesystem>

// portHolders with the process directory to look in (normally /proc) and the
// process to leave out (normally this one). devicePath is compared as it
// stands with the targets of the processes' descriptor links, so it must be
// the device's real path.
std::vector<PortHolder> portHoldersIn(const std::filesystem::path& processRoot, const std::string& devicePath,
                                      int ownPid);
