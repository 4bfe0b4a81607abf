#include "cli/port_choice.h"
#include "ports/port_names.h"
#include "ports/port_table.h"

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

// Whatever port a device path is given, that port leads to the path.
TEST(ChoosePort, APathIsReachedThroughAPort)
{
    const std::string path = "veltor-test-no-such-device";
    const PortChoice choice = choosePort(path);
    ASSERT_TRUE(isPortNumber(choice.number));
    EXPECT_EQ(choice.device, path);
    EXPECT_EQ(portDevicePath(choice.number), path);
}

} // namespace
