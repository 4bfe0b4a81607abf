#include "session/port_probe.h"

#include "common/general_exception.h"
#include "link/serial_port.h"
#include "ports/port_names.h"
#include "session/instrument_session.h"

namespace session {

PortProbe probePort(std::int32_t portNumber)
{
    if (isBluetoothLink(portDevicePath(portNumber)))
        return {PortProbe::Outcome::BluetoothLink, {}, {}};
    try {
        SerialPort port(portNumber, portTimeoutSeconds);
        port.openPort();
        port.closePort();
        return {PortProbe::Outcome::Opened, {}, {}};
    } catch (const GeneralException& failure) {
        return {PortProbe::Outcome::NotOpened, failure.message(), failure.cause()};
    }
}

} // namespace session
