#pragma once

#include "ports/adapter_info.h"
#include "ports/port_names.h"

#include <cstdint>
#include <optional>
#include <string>

// A serial port as the technician chose it, resolved once into what it is:
// the name the technician knows, the device that is opened, and what the
// system tells of that device. It travels as a value to whatever opens the
// port, so that every opening made with it reaches the same device however
// the system renumbers its ports meanwhile.
struct ResolvedPort {
    std::string name;                    // "COM14", or the device path as typed
    std::optional<std::int32_t> number;  // n of COMn; none for a port chosen by its path
    std::string device;                  // empty when COMn leads to no device
    std::optional<AdapterName> adapter;
    std::optional<AdapterDriver> driver;
    bool bluetooth = false;              // see isBluetoothLink
};

// "COM14"
std::string comPortName(std::int32_t portNumber);

// COMn with the device that the platform's rule gives it (portDevicePath). A
// number that is no port keeps its name and leads to no device.
ResolvedPort resolvePort(std::int32_t portNumber);

// The device that the path names, and named by it.
ResolvedPort resolveDevicePath(const std::string& path);
