#include "link/port_names.h"
#include "link/port_scan.h"
#include "tests/support/port_mapping.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

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
}

} // namespace
