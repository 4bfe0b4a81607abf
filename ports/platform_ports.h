#pragma once

// The platform's own answers behind platformPorts() (system_ports.h), one
// definition each in the platform's files.

#include "ports/adapter_info.h"
#include "ports/port_names.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

std::vector<std::int32_t> platformPresentPortNumbers();
std::optional<AdapterName> platformAdapterName(const std::string& devicePath);
std::optional<AdapterDriver> platformAdapterDriver(const std::string& devicePath);
bool platformIsBluetoothLink(const std::string& devicePath);
