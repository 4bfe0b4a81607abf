#pragma once

// What Windows tells of its serial ports to a user without administrator
// rights, without opening them, and how the tool describes each port from it.
// The Windows calls that gather these answers live in
// port_enumeration_win32.cpp; what is made of them is plain logic here, so
// that it is tested with the answers of real devices on every platform.

#include "ports/adapter_info.h"
#include "ports/port_names.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One value of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: "\Device\VCP0" = "COM14".
struct SerialCommEntry {
    std::string device;
    std::string portName;
};

// One present device of the Ports or Modem class, as SetupAPI and the
// device's own key give it. Empty texts where the system has none.
struct PortDeviceRecord {
    std::string portName;          // PortName in the device key: "COM14"
    std::string instanceId;        // "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000"
    std::string parentInstanceId;  // the device above it: the USB device of a driver stack or a composite
    std::string friendlyName;      // as Device Manager shows it: "USB Serial Port (COM14)"
    std::string maker;             // "FTDI"
    std::string service;           // the driver's service name: "FTSER2K"
    std::optional<std::uint32_t> latencyTimerMs;  // LatencyTimer in Device Parameters (FTDI)
};

struct UsbIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string serialNumber;      // empty where the device has none (Windows made the instance id up)
};

struct PortDescription {
    std::int32_t number = 0;       // n of COMn
    std::string friendlyName;      // empty when SetupAPI does not know the port
    std::string maker;
    std::string driver;
    std::optional<UsbIdentity> usb;
    std::optional<int> latencyTimerMs;
    bool bluetooth = false;        // a paired device's serial link (see isBluetoothLink)
};

// n of "COMn" (any case) for n in 1..256; none for every other name.
std::optional<std::int32_t> comPortNumber(std::string_view portName);

// The USB vendor and product ids and the serial number in an instance id,
// taking the serial number from the parent where the device is a function of
// a composite device (&MI_nn) or a driver's own bus (FTDIBUS) under a USB
// device. None for a device that is not on USB.
std::optional<UsbIdentity> usbIdentity(std::string_view instanceId, std::string_view parentInstanceId = {});

// Every COMn that SERIALCOMM lists or a device record names, ascending and
// once each, with what the records tell of it. A port of a paired Bluetooth
// device is known by its instance id (BTHENUM\..., any case) or its driver
// (BTHMODEM).
std::vector<PortDescription> describePorts(const std::vector<SerialCommEntry>& serialComm,
                                           const std::vector<PortDeviceRecord>& devices);

// How the front ends show a port: its friendly name, and its maker with the
// USB ids and serial number ("FTDI, USB 0403:6001, серійний номер A50285BI");
// none for a port the system knows only by name.
std::optional<AdapterName> describedAdapterName(const PortDescription& port);
// The driver and latency timer; none where the system names no driver.
std::optional<AdapterDriver> describedAdapterDriver(const PortDescription& port);

// The port of "\\.\COMn" or "COMn" in the given descriptions; none when absent.
const PortDescription* findDescribedPort(const std::vector<PortDescription>& ports, std::string_view device);
