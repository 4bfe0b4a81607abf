// The probe that both front ends share, under wine: a paired phone's ports as
// Windows describes them are never opened, every other port is.
#include "session/port_probe.h"
#include "tests/support/paired_phone.h"
#include "tests/support/presented_ports.h"
#include "tests/support/refused_opens_win32.h"

#include <gtest/gtest.h>

namespace {

using Outcome = session::PortProbe::Outcome;

TEST(PortProbe, APairedPhonesPortsAreNeverOpened)
{
    const PresentedPorts phone(pairedPhone::ports());
    RefusedOpens calls;

    EXPECT_EQ(session::probePort(resolvePort(4)).outcome, Outcome::BluetoothLink);
    EXPECT_EQ(session::probePort(resolvePort(5)).outcome, Outcome::BluetoothLink);
    EXPECT_TRUE(calls.opened.empty());

    const session::PortProbe cable = session::probePort(resolvePort(3));
    EXPECT_EQ(cable.outcome, Outcome::NotOpened);
    EXPECT_EQ(cable.failure, "Помилка відкриття  порту COM3");
    EXPECT_EQ(calls.opened, std::vector<std::string>{"\\\\.\\COM3"});
}

} // namespace
