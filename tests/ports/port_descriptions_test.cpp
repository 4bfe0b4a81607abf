// What the tool makes of the answers that Windows gives for real adapters
// (SERIALCOMM, SetupAPI's properties and the device key), and which port each
// of the window's buttons stands for.
#include "ports/latency_timer.h"
#include "ports/port_descriptions.h"
#include "ports/port_numbers.h"
#include "tests/support/paired_phone.h"
#include "tests/support/port_mapping.h"
#include "tests/support/presented_ports.h"

#include <gtest/gtest.h>

namespace {

struct DeviceCase {
    const char* device;
    SerialCommEntry serialComm;
    PortDeviceRecord record;
    std::int32_t number;
    const char* name;         // stable name as shown; "" for none
    const char* description;
    const char* driverText;   // "" for none
    bool bluetooth = false;   // never opened by the probe
};

class RecordedDevice : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(RecordedDevice, IsDescribedByNameMakerIdsDriverTimerAndLink)
{
    const DeviceCase& c = GetParam();
    SCOPED_TRACE(c.device);
    const std::vector<PortDescription> ports = describePorts({c.serialComm}, {c.record});
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].number, c.number);
    const std::string device = "\\\\.\\COM" + std::to_string(c.number);
    ASSERT_EQ(findDescribedPort(ports, device), &ports[0]);
    const std::optional<AdapterName> name = describedAdapterName(ports[0]);
    EXPECT_EQ(name ? name->stablePath : "", c.name);
    EXPECT_EQ(name ? name->description : "", c.description);
    const std::optional<AdapterDriver> driver = describedAdapterDriver(ports[0]);
    EXPECT_EQ(driver ? adapterDriverText(*driver) : "", c.driverText);
    EXPECT_EQ(ports[0].bluetooth, c.bluetooth);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, RecordedDevice,
    ::testing::Values(
        DeviceCase{"FT232R: FTDI's own bus under the USB device, timer in Device Parameters",
                   {"\\Device\\VCP0", "COM14"},
                   {"COM14", "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "USB\\VID_0403&PID_6001\\A50285BI",
                    "USB Serial Port (COM14)", "FTDI", "FTSER2K", 16u},
                   14, "USB Serial Port (COM14)", "FTDI, USB 0403:6001, серійний номер A50285BI",
                   "драйвер FTSER2K, таймер затримки 16 мс"},
        DeviceCase{"CP2102 with its own serial number",
                   {"\\Device\\Silabser0", "COM5"},
                   {"COM5", "USB\\VID_10C4&PID_EA60\\0001", "USB\\ROOT_HUB30\\4&1C3A2B1&0&0",
                    "Silicon Labs CP210x USB to UART Bridge (COM5)", "Silicon Labs", "silabser", std::nullopt},
                   5, "Silicon Labs CP210x USB to UART Bridge (COM5)", "Silicon Labs, USB 10C4:EA60, серійний номер 0001",
                   "драйвер silabser"},
        DeviceCase{"CH340 without a serial number: Windows makes the last part up",
                   {"\\Device\\Serial2", "COM27"},
                   {"com27", "USB\\VID_1A86&PID_7523\\5&2D4C1E3A&0&2", "USB\\ROOT_HUB30\\4&1C3A2B1&0&0",
                    "USB-SERIAL CH340 (COM27)", "wch.cn", "CH341SER_A64", std::nullopt},
                   27, "USB-SERIAL CH340 (COM27)", "wch.cn, USB 1A86:7523", "драйвер CH341SER_A64"},
        DeviceCase{"PL2303 above COM99",
                   {"\\Device\\ProlificSerial0", "COM112"},
                   {"COM112", "USB\\VID_067B&PID_2303\\6&1A0B9C2&0&1", "USB\\VID_05E3&PID_0608\\5&3F2E1D&0&4",
                    "Prolific USB-to-Serial Comm Port (COM112)", "Prolific", "Ser2pl", std::nullopt},
                   112, "Prolific USB-to-Serial Comm Port (COM112)", "Prolific, USB 067B:2303", "драйвер Ser2pl"},
        DeviceCase{"Arduino-style CDC device on the inbox driver",
                   {"\\Device\\USBSER000", "COM3"},
                   {"COM3", "USB\\VID_2341&PID_0043\\75833353035351B0E1A1", "USB\\ROOT_HUB30\\4&1C3A2B1&0&0",
                    "USB Serial Device (COM3)", "Microsoft", "usbser", std::nullopt},
                   3, "USB Serial Device (COM3)", "Microsoft, USB 2341:0043, серійний номер 75833353035351B0E1A1",
                   "драйвер usbser"},
        DeviceCase{"CDC function of a composite device: the serial number is the parent's",
                   {"\\Device\\USBSER001", "COM9"},
                   {"COM9", "USB\\VID_2E8A&PID_000A&MI_00\\7&2A3B4C5D&0&0000", "USB\\VID_2E8A&PID_000A\\E660583883724A32",
                    "USB Serial Device (COM9)", "Microsoft", "usbser", std::nullopt},
                   9, "USB Serial Device (COM9)", "Microsoft, USB 2E8A:000A, серійний номер E660583883724A32",
                   "драйвер usbser"},
        DeviceCase{"motherboard port: no USB ids",
                   {"\\Device\\Serial0", "COM1"},
                   {"COM1", "ACPI\\PNP0501\\0", "ACPI\\PNP0A08\\0", "Communications Port (COM1)",
                    "(Standard port types)", "Serial", std::nullopt},
                   1, "Communications Port (COM1)", "(Standard port types)", "вбудований послідовний порт комп'ютера"},
        DeviceCase{"paired phone, outgoing Bluetooth link", pairedPhone::outgoingEntry, pairedPhone::outgoing, 4,
                   "Standard Serial over Bluetooth link (COM4)", "Microsoft", "драйвер BTHMODEM", true},
        DeviceCase{"paired phone, incoming Bluetooth link", pairedPhone::incomingEntry, pairedPhone::incoming, 5,
                   "Standard Serial over Bluetooth link (COM5)", "Microsoft", "драйвер BTHMODEM", true},
        DeviceCase{"a port that SetupAPI does not know appears by name only",
                   {"\\Device\\com0com10", "COM20"}, {"LPT1", "ACPI\\PNP0400\\0", "", "Printer Port (LPT1)", "", "", {}},
                   20, "", "", ""}));

TEST(DescribedPorts, EveryNumberOnceAscendingAndNoneBeyondCom256)
{
    const std::vector<PortDescription> ports =
        describePorts({{"\\Device\\A", "COM14"}, {"\\Device\\B", "COM3"}, {"\\Device\\C", "COM257"},
                       {"\\Device\\D", "COM0"}, {"\\Device\\E", "COM256"}},
                      {{"COM3", "USB\\VID_0403&PID_6001\\X", "", "", "FTDI", "FTSER2K", {}}, {"COM27", "", "", "", "", "", {}}});
    std::vector<std::int32_t> numbers;
    for (const PortDescription& port : ports)
        numbers.push_back(port.number);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{3, 14, 27, 256}));
    // A device record without a friendly name still names the port.
    EXPECT_EQ(describedAdapterName(ports[0])->stablePath, "COM3");
    EXPECT_EQ(findDescribedPort(ports, "COM15"), nullptr);
    EXPECT_EQ(findDescribedPort(ports, "/dev/ttyUSB0"), nullptr);
}

// Only a timer above 2 ms that is in force earns a word: Linux's low-latency
// flag, once the driver has taken it, hands replies over at once.
TEST(LatencyTimer, ToldWhenAboveTwoMillisecondsAndInForce)
{
    using State = LowLatencyOutcome::State;
    struct Case {
        std::optional<std::uint32_t> timerMs;
        State lowLatency;
        bool told;
    };
    for (const Case& c : {Case{16u, State::NotAsked, true}, Case{3u, State::Refused, true},
                          Case{2u, State::NotAsked, false}, Case{std::nullopt, State::NotAsked, false},
                          Case{16u, State::Granted, false}, Case{16u, State::AlreadyOn, false}}) {
        const ScopedPortMapping device(9, "adapter-on-com9");
        const PresentedPorts adapter(describePorts(
            {}, {{"COM9", "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "", "USB Serial Port (COM9)", "FTDI",
                  "FTSER2K", c.timerMs}}));
        const std::optional<AdapterDriver> slow = slowLatencyTimer(resolvePort(9), {c.lowLatency, {}});
        EXPECT_EQ(slow.has_value(), c.told) << c.timerMs.value_or(0) << " ms, state " << static_cast<int>(c.lowLatency);
        if (slow) {
            EXPECT_EQ(slow->latencyTimerMs, static_cast<int>(*c.timerMs));
        }
    }
}

struct ButtonCase {
    const char* machine;
    std::vector<std::int32_t> present;
    std::vector<std::int32_t> buttons;
};

class PortButtons : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(PortButtons, PortsAboveTheButtonsTakeTheFreeOnesInOrder)
{
    SCOPED_TRACE(GetParam().machine);
    EXPECT_EQ(portButtonNumbers(GetParam().present), GetParam().buttons);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, PortButtons,
    ::testing::Values(
        ButtonCase{"no ports", {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        ButtonCase{"all within the buttons", {10, 1, 3}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        ButtonCase{"COM3 and two above", {27, 3, 14}, {14, 27, 3, 4, 5, 6, 7, 8, 9, 10}},
        ButtonCase{"COM1 taken as well", {1, 3, 14, 27}, {1, 14, 3, 27, 5, 6, 7, 8, 9, 10}},
        ButtonCase{"more above than free buttons",
                   {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 13},
                   {1, 2, 3, 4, 5, 6, 7, 8, 11, 12}}));

TEST(PortNumbers, TheRangeIsThePlatformsOwn)
{
#ifdef _WIN32
    EXPECT_TRUE(isPortNumber(256));
    EXPECT_FALSE(isPortNumber(257));
#else
    EXPECT_TRUE(isPortNumber(10));
    EXPECT_FALSE(isPortNumber(11));
#endif
    EXPECT_FALSE(isPortNumber(0));
}

} // namespace
