#include "session/port_probe.h"

#include "common/general_exception.h"
#include "link/serial_port.h"
#include "session/instrument_session.h"

namespace session {

PortProbe probePort(const ResolvedPort& port)
{
    if (port.bluetooth)
        return {PortProbe::Outcome::BluetoothLink, {}, {}};
    try {
        SerialPort channel(port, portTimeoutSeconds);
        channel.openPort();
        channel.closePort();
        return {PortProbe::Outcome::Opened, {}, {}};
    } catch (const GeneralException& failure) {
        return {PortProbe::Outcome::NotOpened, failure.message(), failure.cause()};
    }
}

} // namespace session
