#include "cli/port_choice.h"
#include "ports/port_names.h"
#include "tests/support/port_mapping.h"

#include <gtest/gtest.h>

namespace {

TEST(PortNumberFromText, ReadsEverySpellingOfAPortAndNothingElse)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> number;
    };
    const Case cases[] = {
        {"3", 3}, {"COM3", 3}, {"com10", 10}, {"\\\\.\\COM7", 7},
        {"\xD0\xA1\xD0\x9E\xD0\x9C" "5", 5},   // Cyrillic capitals, as on the window's buttons
        {"COM11", 11}, {"0", 0},                 // numbers outside 1..10 are the link's to refuse
        {"COM", std::nullopt}, {"COM3:", std::nullopt}, {"COM 3", std::nullopt}, {"/dev/ttyUSB0", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(portNumberFromText(c.text), c.number) << c.text;
}

// A number is COMn on the device that the platform's rule gives it now; a
// path is itself, with no number, whatever COMn may lead to it.
TEST(ChoosePort, ANumberIsItsComPortAndAPathIsItself)
{
    const ScopedPortMapping mapping(3, "veltor-test-adapter");
    const ResolvedPort com3 = choosePort("com3");
    EXPECT_EQ(com3.name, "COM3");
    EXPECT_EQ(com3.number, 3);
    EXPECT_EQ(com3.device, portDevicePath(3));
    EXPECT_FALSE(com3.device.empty());

    const ResolvedPort typed = choosePort("veltor-test-adapter");
    EXPECT_EQ(typed.name, "veltor-test-adapter");
    EXPECT_EQ(typed.number, std::nullopt);
    EXPECT_EQ(typed.device, "veltor-test-adapter");
}

} // namespace
