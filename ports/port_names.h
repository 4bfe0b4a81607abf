#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The device that COMn stands for, by the platform's own rule. On Windows it
// is "\\.\COMn" for any n up to 256. On Linux it is the device named by the
// environment variable VELTOR_COMn when that is set and not empty, otherwise
// the n-th character device that exists among /dev/ttyUSB*, then
// /dev/ttyACM*, then /dev/ttyS* (numeric order within each family). An empty
// text when there is none or n is no port.
std::string portDevicePath(std::int32_t portNumber);

// The numbers of the ports present now, ascending; nothing is opened to find
// them. Windows: every COMn that the system lists. Linux: those of COM1 to
// COM10 that lead to a device.
std::vector<std::int32_t> presentPortNumbers();

// While one lives, what the system tells of its ports is gathered once and
// every question here and in adapter_info.h is answered from that: a probe of
// every port asks the system once, not once per port. One made while another
// lives leaves that one in force.
class PortSurvey {
public:
    PortSurvey();
    ~PortSurvey();
    PortSurvey(const PortSurvey&) = delete;
    PortSurvey& operator=(const PortSurvey&) = delete;

private:
    bool outermost = true;
};

// How a technician tells adapters apart: the stable name the system gives the
// device (Linux: a /dev/serial/by-id link; Windows: the name Device Manager
// shows, "USB Serial Port (COM14)") and the adapter's own description (maker,
// product or USB ids, serial number). None where the system gives no such name.
struct AdapterName {
    std::string stablePath;
    std::string description;
};
std::optional<AdapterName> adapterName(const std::string& devicePath);

// Whether the system describes the device as a Bluetooth link: on Windows a
// port of a paired device (instance id beginning BTHENUM\, or the BTHMODEM
// driver), on Linux /dev/rfcommN. Opening one makes the system try to reach
// the paired phone or headset, and the open blocks for seconds; the probes of
// both front ends leave such a port unopened. A command given it still opens it.
bool isBluetoothLink(const std::string& devicePath);
// How both front ends show such a port.
inline constexpr const char* bluetoothLinkText = "з'єднання Bluetooth: не відкривався, VELTOR під'єднується кабелем";
