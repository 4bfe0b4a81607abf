#include "ports/port_names.h"
#include "ports/port_scan.h"
#include "ports/port_numbers.h"
#include "ports/system_ports.h"
#include "tests/support/port_mapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>

namespace {

using Names = std::vector<std::string>;

struct OrderCase {
    const char* scenario;
    Names found;
    Names expected;
};

class PortDeviceOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PortDeviceOrder, FamiliesInTurnEachByNumber)
{
    EXPECT_EQ(orderPortDevices(GetParam().found), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, PortDeviceOrder,
    ::testing::Values(
        OrderCase{"usb_then_acm_then_onboard", {"ttyS0", "ttyACM0", "ttyUSB0"}, {"ttyUSB0", "ttyACM0", "ttyS0"}},
        OrderCase{"numbers_compare_as_numbers", {"ttyS10", "ttyS9", "ttyS1", "ttyS2"}, {"ttyS1", "ttyS2", "ttyS9", "ttyS10"}},
        OrderCase{"usb_ten_before_acm_zero", {"ttyACM0", "ttyUSB10", "ttyUSB2"}, {"ttyUSB2", "ttyUSB10", "ttyACM0"}},
        OrderCase{"other_names_left_out",
                  {"tty0", "ttyUSB", "ttySAC0", "ttyS", "console", "ttyS1x", "ttyACM-1", "ttyprintk", "ttyS3"},
                  {"ttyS3"}},
        OrderCase{"nothing_found", {}, {}}),
    [](const ::testing::TestParamInfo<OrderCase>& test) { return std::string(test.param.scenario); });

// Unmaps all ten ports for the test's lifetime.
class UnmappedPorts {
public:
    UnmappedPorts()
    {
        for (int n = 1; n <= 10; ++n)
            mappings.push_back(std::make_unique<ScopedPortMapping>(n, ""));
    }

private:
    std::vector<std::unique_ptr<ScopedPortMapping>> mappings;
};

TEST(PortDevicePath, TheVariableNamesTheDeviceOfItsPortOnly)
{
    UnmappedPorts none;
    const std::string com5Unmapped = portDevicePath(5);
    {
        ScopedPortMapping mapping(4, "/dev/serial/by-id/some adapter");
        EXPECT_EQ(portDevicePath(4), "/dev/serial/by-id/some adapter");
        EXPECT_EQ(portDevicePath(5), com5Unmapped);
    }
    ScopedPortMapping ten(10, "/dev/pts/77");
    EXPECT_EQ(portDevicePath(10), "/dev/pts/77");
}

TEST(PortDevicePath, UnmappedPortsTakeDistinctSerialDevicesInOrder)
{
    UnmappedPorts none;
    Names found;
    for (int n = 1; n <= 10; ++n) {
        const std::string path = portDevicePath(n);
        if (path.empty()) {
            // Once one port has no device, none after it has.
            for (int later = n + 1; later <= 10; ++later)
                EXPECT_EQ(portDevicePath(later), "") << "COM" << later;
            break;
        }
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0) << path;
        EXPECT_TRUE(S_ISCHR(status.st_mode)) << path;
        found.push_back(path.substr(5));
    }
    EXPECT_EQ(orderPortDevices(found), found);
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()).size(), found.size());
}

TEST(PortDevicePath, NoPortZero)
{
    EXPECT_EQ(portDevicePath(0), "");
    EXPECT_EQ(portDevicePath(lastPortNumber + 1), "");
}

// The stable /dev/serial/by-id name of an adapter, described by the USB
// device's attributes where sysfs has them, else by the name itself.
TEST(AdapterName, FoundThroughTheStableLinkThatLeadsToTheDevice)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/veltor-by-id-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path root = pattern;
    fs::create_directories(root / "dev");
    fs::create_directories(root / "by-id");
    fs::create_directories(root / "usb1/1-1/1-1:1.0/ttyUSB0");
    fs::create_directories(root / "class/ttyUSB0");
    fs::create_directories(root / "class/ttyUSB1");
    for (const char* device : {"ttyUSB0", "ttyUSB1", "ttyUSB2"})
        std::ofstream(root / "dev" / device).put('x');
    std::ofstream(root / "usb1/1-1/manufacturer") << "FTDI\n";
    std::ofstream(root / "usb1/1-1/product") << "FT232R USB UART\n";
    std::ofstream(root / "usb1/1-1/serial") << "A50285BI\n";
    fs::create_directory_symlink(root / "usb1/1-1/1-1:1.0/ttyUSB0", root / "class/ttyUSB0/device");
    const std::string ftdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const std::string prolific = "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";
    fs::create_symlink("../dev/ttyUSB0", root / "by-id" / ftdi);
    fs::create_symlink("../dev/ttyUSB1", root / "by-id" / prolific);

    const auto described = adapterNameIn((root / "dev/ttyUSB0").string(), root / "by-id", root / "class");
    ASSERT_TRUE(described.has_value());
    EXPECT_EQ(described->stablePath, (root / "by-id" / ftdi).string());
    EXPECT_EQ(described->description, "FTDI FT232R USB UART A50285BI");

    const auto named = adapterNameIn((root / "dev/ttyUSB1").string(), root / "by-id", root / "class");
    ASSERT_TRUE(named.has_value());
    EXPECT_EQ(named->description, "Prolific Technology Inc. USB-Serial Controller");

    EXPECT_FALSE(adapterNameIn((root / "dev/ttyUSB2").string(), root / "by-id", root / "class"));
    EXPECT_FALSE(adapterNameIn((root / "dev/ttyUSB0").string(), root / "no-by-id", root / "class"));
    fs::remove_all(root);
}

// The kernel's RFCOMM terminals are Linux's Bluetooth serial ports.
TEST(BluetoothLink, IsAnRfcommTerminal)
{
    for (const char* device : {"/dev/rfcomm0", "/dev/rfcomm12"})
        EXPECT_TRUE(platformPorts().isBluetoothLink(device)) << device;
    for (const char* device : {"/dev/rfcomm", "/dev/rfcommA", "/dev/ttyUSB0"})
        EXPECT_FALSE(platformPorts().isBluetoothLink(device)) << device;
}

} // namespace
