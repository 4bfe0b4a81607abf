#pragma once

// What Windows tells of a paired phone with a serial profile: an outgoing and
// an incoming link, COM4 and COM5, under the laptop's Bluetooth radio.

#include "ports/port_descriptions.h"

#include <vector>

namespace pairedPhone {

inline const SerialCommEntry outgoingEntry{"\\Device\\BthModem0", "COM4"};
inline const PortDeviceRecord outgoing{
    "COM4", "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&2A6E1B3C&0&7C2A4E91B3F0_C00000000",
    "USB\\VID_8087&PID_0026\\5&3A1B2C4D&0&10", "Standard Serial over Bluetooth link (COM4)", "Microsoft", "BTHMODEM",
    std::nullopt};
inline const SerialCommEntry incomingEntry{"\\Device\\BthModem1", "COM5"};
// Instance ids come in any case.
inline const PortDeviceRecord incoming{
    "COM5", "BthEnum\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&0000\\7&2A6E1B3C&0&000000000000_00000000",
    "USB\\VID_8087&PID_0026\\5&3A1B2C4D&0&10", "Standard Serial over Bluetooth link (COM5)", "Microsoft", "BTHMODEM",
    std::nullopt};

inline std::vector<PortDescription> ports()
{
    return describePorts({outgoingEntry, incomingEntry}, {outgoing, incoming});
}

} // namespace pairedPhone
