#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace {

struct ValidCase {
    std::vector<std::string> words;
    std::optional<Command> command;
    std::string port;
    bool yes;
    std::string report;
    bool help;
};

TEST(ParseArguments, AcceptsEachCommandWithItsPortAndOptionsInAnyOrder)
{
    const ValidCase cases[] = {
        {{"ports"}, Command::Ports, "", false, "", false},
        {{"connect", "3"}, Command::Connect, "3", false, "", false},
        {{"program", "COM3", "--yes"}, Command::Program, "COM3", true, "", false},
        {{"-y", "update", "/dev/ttyUSB0"}, Command::Update, "/dev/ttyUSB0", true, "", false},
        {{"update", "--report", "r.json", "4", "-y"}, Command::Update, "4", true, "r.json", false},
        {{"verify", "--report=out/r.json", "2"}, Command::Verify, "2", false, "out/r.json", false},
        {{"leave", "10"}, Command::Leave, "10", false, "", false},
        {{"connect"}, Command::Connect, "", false, "", false},  // the run reports the missing port
        {{"update", "--", "-weird-device"}, Command::Update, "-weird-device", false, "", false},
        {{"update", "--help"}, Command::Update, "", false, "", true},
        {{"help", "verify"}, Command::Verify, "", false, "", true},
        {{"--help"}, std::nullopt, "", false, "", true},
        {{"help"}, std::nullopt, "", false, "", true},
        {{}, std::nullopt, "", false, "", false},
    };
    for (const ValidCase& c : cases) {
        const ParsedArguments parsed = parseArguments(c.words);
        const std::string line = ::testing::PrintToString(c.words);
        ASSERT_EQ(parsed.error, "") << line;
        EXPECT_EQ(parsed.arguments.command, c.command) << line;
        EXPECT_EQ(parsed.arguments.port, c.port) << line;
        EXPECT_EQ(parsed.arguments.assumeYes, c.yes) << line;
        EXPECT_EQ(parsed.arguments.reportFile, c.report) << line;
        EXPECT_EQ(parsed.arguments.help, c.help) << line;
    }
}

TEST(ParseArguments, RejectsWhatNoCommandTakes)
{
    const struct {
        std::vector<std::string> words;
        const char* errorPart;
    } cases[] = {
        {{"flash", "3"}, "невідома команда: flash"},
        {{"connect", "3", "4"}, "зайвий аргумент: 4"},
        {{"connect", "3", "--force"}, "невідомий параметр: --force"},
        {{"update", "3", "--report"}, "--report"},
        {{"update", "3", "--report="}, "--report"},
        {{"connect", "3", "--yes"}, "--yes"},
        {{"verify", "3", "-y"}, "--yes"},
        {{"ports", "3"}, "не приймає порт"},
        {{"ports", "--report", "r.json"}, "--report"},
        {{"help", "nonsense"}, "невідома команда: nonsense"},
    };
    for (const auto& c : cases) {
        const ParsedArguments parsed = parseArguments(c.words);
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos)
            << ::testing::PrintToString(c.words) << " gave \"" << parsed.error << "\"";
    }
}

TEST(HelpText, EveryCommandHasHelpNamingItsOptionsAndTheExitCodes)
{
    for (Command command : {Command::Ports, Command::Connect, Command::Program, Command::Leave, Command::Update,
                            Command::Verify}) {
        const std::string text = helpText(command);
        EXPECT_NE(text.find("veltor-update " + std::string(commandName(command))), std::string::npos);
        EXPECT_NE(text.find("Коди завершення"), std::string::npos);
        const bool takesYes = command == Command::Program || command == Command::Update;
        EXPECT_EQ(text.find("--yes") != std::string::npos, takesYes) << commandName(command);
    }
    const std::string general = helpText(std::nullopt);
    for (const char* name : {"ports", "connect", "program", "leave", "update", "verify"})
        EXPECT_NE(general.find(name), std::string::npos) << name;
}

} // namespace
