#pragma once

// What the system tells of its serial ports without opening any of them,
// behind one interface: the platform's own answers (Windows: SERIALCOMM and
// SetupAPI; Linux: the device scan and sysfs), or a test's, which presents
// devices that the machine does not have (a paired phone's Bluetooth link, an
// FTDI adapter and its latency timer). presentPortNumbers, adapterName,
// adapterDriver and isBluetoothLink answer through it.

#include "ports/adapter_info.h"
#include "ports/port_names.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class SystemPorts {
public:
    SystemPorts() = default;
    SystemPorts(const SystemPorts&) = delete;
    SystemPorts& operator=(const SystemPorts&) = delete;
    virtual ~SystemPorts() = default;

    virtual std::vector<std::int32_t> presentPortNumbers() = 0;
    virtual std::optional<AdapterName> adapterName(const std::string& devicePath) = 0;
    virtual std::optional<AdapterDriver> adapterDriver(const std::string& devicePath) = 0;
    virtual bool isBluetoothLink(const std::string& devicePath) = 0;
};

// The platform's own answers.
SystemPorts& platformPorts();
// The answers in use: the platform's unless a ScopedSystemPorts says otherwise.
SystemPorts& systemPorts();

class ScopedSystemPorts {
public:
    explicit ScopedSystemPorts(SystemPorts& ports);
    ~ScopedSystemPorts();
    ScopedSystemPorts(const ScopedSystemPorts&) = delete;
    ScopedSystemPorts& operator=(const ScopedSystemPorts&) = delete;

private:
    SystemPorts* previous;
};
