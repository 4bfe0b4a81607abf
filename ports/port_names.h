#pragma once

#include <optional>
#include <string>

// The device behind COMn (n = 1..10) as the port table answers it: a pinned
// or given device first, else the platform's own (see port_table.h). An empty
// text when there is none.
std::string portDevicePath(int portNumber);

// The platform's own device for COMn. On Windows it is "\\.\COMn". On Linux
// it is the device named by the environment variable VELTOR_COMn when that is
// set and not empty, otherwise the n-th character device that exists among
// /dev/ttyUSB*, then /dev/ttyACM*, then /dev/ttyS* (numeric order within each
// family); an empty text when there is none.
std::string platformPortDevice(int portNumber);

// How a technician tells adapters apart: the stable name the system gives the
// device (a /dev/serial/by-id link) and the adapter's own description (maker,
// product, serial number). None where the system gives no such name.
struct AdapterName {
    std::string stablePath;
    std::string description;
};
std::optional<AdapterName> adapterName(const std::string& devicePath);
