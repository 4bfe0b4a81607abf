#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The kernel driver behind a serial device and, for adapters of the FTDI
// kind, how long the adapter holds short replies back (its latency timer).
struct AdapterDriver {
    // Linux: ftdi_sio, ch341, cp210x, pl2303, cdc_acm, serial8250 ...
    // Windows, the driver's service: FTSER2K, silabser, CH341SER_A64, Ser2pl, usbser, Serial ...
    std::string driver;
    std::optional<int> latencyTimerMs;  // where the driver shows one (FTDI)
    // The computer's own serial port, with no adapter behind it; its driver's
    // name ("port", "serial8250", "Serial") tells a technician nothing.
    bool builtIn = false;
};

// None where the system tells nothing (a pseudo-terminal; a port that Windows
// knows only by name).
std::optional<AdapterDriver> adapterDriver(const std::string& devicePath);

// POSIX: adapterDriver with the directories to look in, normally
// /sys/class/tty and /sys/bus/usb-serial/devices.
std::optional<AdapterDriver> adapterDriverIn(const std::string& devicePath, const std::filesystem::path& ttyClass,
                                             const std::filesystem::path& usbSerialDevices);

// POSIX: where the latency timer of a device lives ("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer").
std::string latencyTimerFile(const std::string& devicePath);

// "драйвер ftdi_sio, таймер затримки 16 мс"; a built-in port is called that.
std::string adapterDriverText(const AdapterDriver& adapter);
