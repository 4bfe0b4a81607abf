#include "cli/command_line.h"
#include "cli/interruption.h"
#include "link/link_clock.h"
#include "link/output_queue.h"

#include "image/builtin_image.h"
#include "sim/instrument.h"
#include "tests/support/paired_phone.h"
#include "tests/support/port_mapping.h"
#include "tests/support/presented_ports.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
    std::vector<std::pair<int, int>> beeps;
};

Outcome run(const std::vector<std::string>& words, const std::string& typed = {}, bool inIsTerminal = false,
            const std::function<void()>& atBeep = {})
{
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in(typed);
    Outcome outcome;
    Console console{out, err, in, false, inIsTerminal, [&](int f, int d) {
                        outcome.beeps.emplace_back(f, d);
                        if (atBeep)
                            atBeep();
                    }};
    outcome.code = runCommandLine(words, console);
    outcome.out = out.str();
    outcome.err = err.str();
    // Builds with the stand-in image say so before every run; the cases below
    // look at what follows.
    const std::string warning = std::string(standInFirmwareWarning) + "\n";
    if (outcome.err.starts_with(warning))
        outcome.err.erase(0, warning.size());
    return outcome;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The simulator serves the line on its own thread: a byte the tool has just
// sent may not have been taken yet when the tool returns.
template <typename Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 200 && !condition(); ++i)
        usleep(5000);
    return condition();
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Cuts the instrument's power at the first wait for a reply once 'due' holds;
// from then on the seconds clock leaps ahead at every wait, so that the read
// under way times out at once instead of after its 5 s.
struct PowerCut final : LinkClock {
    PowerCut(sim::Instrument& cut, std::function<bool(const sim::Counters&)> when) : instrument(cut), due(when) {}
    std::time_t seconds() override { return real().seconds() + ahead; }
    void pause(std::chrono::milliseconds length) override { real().pause(length); }
    std::chrono::microseconds steadyTime() override { return real().steadyTime(); }
    std::chrono::milliseconds inputWait(std::chrono::milliseconds longest) override
    {
        if (ahead > 0 || due(instrument.counters()))
            ahead += 10;
        if (ahead == 10)
            instrument.powerCycle();
        return real().inputWait(longest);
    }
    static LinkClock& real() { return Seam<LinkClock>::real(); }

    sim::Instrument& instrument;
    std::function<bool(const sim::Counters&)> due;
    std::time_t ahead = 0;
    ScopedLinkClock scope{*this};
};

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "veltor-cli-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }
    void TearDown() override
    {
        for (const std::string& file : created)
            std::remove(file.c_str());
        rmdir(directory.c_str());
    }

    std::string file(const std::string& name)
    {
        created.push_back(directory + "/" + name);
        return created.back();
    }

    // A flash file that already holds the built-in image, as after an update.
    std::string updatedFlashFile()
    {
        const std::string path = file("flash.bin");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(builtinFirmwareImage), builtinFirmwareLength);
        return path;
    }

    static bool holdsImage(const std::vector<std::uint8_t>& flash)
    {
        return std::equal(builtinFirmwareImage, builtinFirmwareImage + builtinFirmwareLength, flash.begin()) &&
               flash[builtinFirmwareLength] == 0xFF;
    }

    std::string directory;
    std::vector<std::string> created;
};

TEST_F(CommandLineTest, AStandInBuildWarnsBeforeTalkingToAnInstrument)
{
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Console console{out, err, in, false, false, [](int, int) {}};
    runCommandLine({"leave", "COM11"}, console);
    EXPECT_EQ(err.str().starts_with(standInFirmwareWarning), builtinFirmwareIsStandIn) << err.str();
}

TEST_F(CommandLineTest, UpdateOnADevicePathWritesTheImageLeavesTheBootloaderAndRecordsIt)
{
    sim::Instrument instrument(sim::Config{});
    const std::string report = file("report.json");

    const Outcome outcome = run({"update", instrument.devicePath(), "--report", report});

    EXPECT_EQ(outcome.code, 0) << outcome.out << outcome.err;
    EXPECT_TRUE(holdsImage(instrument.flash()));
    EXPECT_TRUE(eventually([&] { return !instrument.inBootloader(); }));
    EXPECT_EQ(outcome.beeps, (std::vector<std::pair<int, int>>{{600, 100}}));
    for (const char* shown : {"Зв'язок встановлено...", "Попередня версія VELTOR: 3.57", "Сигнатура: 1E 97 02",
                              "стирання...", "запис: 100%", "читання...", "перевірка: 100%",
                              "Верифікація успішна!"})
        EXPECT_TRUE(contains(outcome.out, shown)) << shown << " missing in\n" << outcome.out;
    EXPECT_EQ(outcome.err, "");
    // A port typed as a path is named by that path, and has no number.
    EXPECT_TRUE(outcome.out.starts_with("Порт: " + instrument.devicePath() + "\n")) << outcome.out;

    const std::string json = readFile(report);
    EXPECT_TRUE(contains(json, "\"number\": null,\n    \"device\": \"" + instrument.devicePath() + "\"")) << json;
    EXPECT_TRUE(contains(json, std::string("\"standIn\": ") + (builtinFirmwareIsStandIn ? "true" : "false"))) << json;
    for (const char* part : {"\"command\": \"update\"", "\"identifier\": \"AVRBOOT\"", "\"text\": \"2.10\"",
                             "\"number\": 357", "\"signature\": \"1E 97 02\"", "\"length\": 81756",
                             "\"step\": \"leave\",\n      \"result\": \"ok\"", "\"result\": \"passed\"",
                             "\"failure\": null", "\"exitCode\": 0"})
        EXPECT_TRUE(contains(json, part)) << part << " missing in\n" << json;
}

TEST_F(CommandLineTest, VerifyComparesWithoutErasingOrWriting)
{
    sim::Config config;
    config.initialFlashFile = updatedFlashFile();
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(7, instrument.devicePath());

    ASSERT_EQ(run({"connect", "COM7"}).code, 0);
    const Outcome outcome = run({"verify", "7"});

    EXPECT_EQ(outcome.code, 0) << outcome.out << outcome.err;
    EXPECT_TRUE(outcome.out.starts_with("Порт: COM7 (" + instrument.devicePath() + ")\n")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "Верифікація успішна!"));
    EXPECT_EQ(instrument.counters().pagesWritten, 0u);
    EXPECT_TRUE(holdsImage(instrument.flash()));
}

TEST_F(CommandLineTest, AMismatchFailsVerificationWithItsAddressAndTheJobsOwnMessage)
{
    sim::Config config;
    config.initialFlashFile = updatedFlashFile();
    config.faults.corruptReadAddress = 100;
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(7, instrument.devicePath());
    const std::string report = file("report.json");

    ASSERT_EQ(run({"connect", "7"}).code, 0);
    const Outcome outcome = run({"verify", "7", "--report=" + report});

    EXPECT_EQ(outcome.code, 5);
    // Nothing was erased, yet what helps is a whole update, not another verify.
    EXPECT_TRUE(contains(outcome.err, "вбудованої мікропрограми 3.58: перша розбіжність за адресою 0x00064.\n"));
    EXPECT_TRUE(contains(outcome.err, "запустіть veltor-update update 7 ")) << outcome.err;
    EXPECT_TRUE(outcome.beeps.empty());
    const std::string json = readFile(report);
    EXPECT_TRUE(contains(json, "\"result\": \"failed\",\n    \"firstMismatchAddress\": 100")) << json;
    EXPECT_TRUE(contains(json, "\"cause\": \"Помилка Верифікації! (Спробуйте ще раз)!\"")) << json;
}

TEST_F(CommandLineTest, OverwritingTheSameVersionNeedsAYes)
{
    sim::Config config;
    config.firmwareMajor = 3;
    config.firmwareMinor = 58;
    config.initialFlashFile = updatedFlashFile();
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(6, instrument.devicePath());
    const std::string question = "Існуючу версію мікропрограми в VELTOR: 3.58\nВи замінюєте версією: 3.58\n"
                                 "Ви впевнені, що хочете переписати версію?\n";

    // A script without --yes has nobody to answer: declined, nothing written,
    // and the instrument goes back to its present firmware.
    const std::string report = file("declined.json");
    const Outcome script = run({"update", "6", "--report", report});
    EXPECT_EQ(script.code, 6) << script.out << script.err;
    EXPECT_TRUE(contains(script.out, "Вбудована версія 3.58 та сама, що й у VELTOR.\n" + question)) << script.out;
    EXPECT_EQ(instrument.counters().pagesWritten, 0u);
    EXPECT_TRUE(eventually([&] { return !instrument.inBootloader(); }));
    EXPECT_TRUE(contains(readFile(report), "\"step\": \"confirmation\",\n      \"result\": \"declined\""));

    instrument.powerCycle();
    ASSERT_EQ(run({"connect", "6"}).code, 0);
    const Outcome no = run({"program", "6"}, "n\n", true);
    EXPECT_EQ(no.code, 6);
    EXPECT_EQ(instrument.counters().pagesWritten, 0u);

    const Outcome yes = run({"program", "6"}, "так\n", true);
    EXPECT_EQ(yes.code, 0) << yes.out << yes.err;
    EXPECT_TRUE(contains(yes.out, question));
    EXPECT_GT(instrument.counters().pagesWritten, 0u);
}

TEST_F(CommandLineTest, AForeignIdentifierStopsBeforeAnythingIsWritten)
{
    sim::Config config;
    config.identifier = "AVRBOOX";
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(5, instrument.devicePath());
    const std::string report = file("report.json");

    const Outcome connect = run({"connect", "5"});
    EXPECT_EQ(connect.code, 4);
    EXPECT_TRUE(contains(connect.out, "Зв'язок з VELTOR не встановлено!"));
    // As in the window, the versions are read all the same; nothing is about to be replaced.
    EXPECT_TRUE(contains(connect.out, "Версія мікропрограми VELTOR: 3.57"));
    EXPECT_TRUE(contains(connect.err, "VELTOR чекає в режимі програмування. Щоб вивести")) << connect.err;

    instrument.powerCycle();
    const Outcome update = run({"update", "5", "--report", report});
    EXPECT_EQ(update.code, 4);
    EXPECT_TRUE(contains(update.err, "Ідентифікатор \"AVRBOOX\" замість \"AVRBOOT\""));
    EXPECT_EQ(instrument.counters().pagesWritten, 0u);
    const std::string json = readFile(report);
    EXPECT_TRUE(contains(json, "\"identifier\": \"AVRBOOX\"")) << json;
    EXPECT_TRUE(contains(json, "\"message\": \"Зв'язок з VELTOR не встановлено!\"")) << json;
}

TEST_F(CommandLineTest, AForeignChipEndsConnectAsItEndsProgramming)
{
    sim::Config config;
    config.signature = {0x1E, 0x95, 0x02};
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(5, instrument.devicePath());

    const Outcome connect = run({"connect", "5"});
    EXPECT_EQ(connect.code, 4);
    EXPECT_TRUE(contains(connect.err, "Сигнатура НЕ ВІДПОВІДАЄ вибраній мікросхемі!")) << connect.err;
    EXPECT_TRUE(contains(connect.err, "Очікується сигнатура 1E 97 02 (ATmega128), прочитано 1E 95 02.\n"));
}

// The record's place is checked before anything goes down the line.
TEST_F(CommandLineTest, ARecordThatCannotBeWrittenIsRefusedBeforeTheRun)
{
    sim::Instrument instrument(sim::Config{});
    ScopedPortMapping mapping(5, instrument.devicePath());
    for (const std::string& report :
         {directory, directory + "/missing/report.json", instrument.devicePath(), std::string("/dev/zero")}) {
        const Outcome outcome = run({"update", "5", "--yes", "--report", report});
        EXPECT_EQ(outcome.code, 2) << report;
        EXPECT_TRUE(outcome.err.starts_with("--report: протокол не можна записати у " + report)) << outcome.err;
    }
    EXPECT_EQ(instrument.counters().bytesFromHost, 0u);
}

// Ctrl-C, SIGTERM or a closed terminal in the middle of the write: the run
// stops at its next wait, tells what state the instrument is in, releases
// the port, replaces the earlier record with one that says so, and a new
// update then recovers the instrument.
TEST_F(CommandLineTest, AnInterruptedWriteSaysSoRecordsItAndCanBeRepeated)
{
    // The reply to the block that writes the 21st page never comes: the request
    // arrives while the run waits inside the write, however fast the write goes.
    sim::Config config;
    config.faults.dropReplyCommand = "BF";
    config.faults.dropReplyIndex = 21;
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(6, instrument.devicePath());
    const std::string report = file("report.json");
    std::ofstream(report) << "{\"exitCode\": 0, \"note\": \"an earlier success\"}\n";

    interruption::clear();
    std::atomic<bool> ended{false};
    std::thread interrupter([&] {
        while (!ended && instrument.counters().pagesWritten <= 20)
            usleep(2000);
        interruption::request(SIGTERM);
    });
    const Outcome outcome = run({"update", "6", "--yes", "--report", report});
    ended = true;
    interrupter.join();
    interruption::clear();

    EXPECT_EQ(outcome.code, 130);
    EXPECT_EQ(outcome.err, "Перервано (SIGTERM). Мікропрограму VELTOR стерто або записано частково: так VELTOR не "
                           "працюватиме, але його завантажувач цілий. Вимкніть VELTOR, запустіть veltor-update "
                           "update 6 і ввімкніть VELTOR, коли команда попросить.\n");
    EXPECT_TRUE(instrument.inBootloader());
    const std::string json = readFile(report);
    EXPECT_FALSE(contains(json, "an earlier success")) << json;
    EXPECT_TRUE(contains(json, "\"cause\": \"Перервано (SIGTERM)\"")) << json;
    EXPECT_TRUE(contains(json, "\"exitCode\": 130")) << json;
    EXPECT_TRUE(contains(json, "\"phase\": \"write\"")) << json;

    const Outcome again = run({"update", "6", "--yes"});
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_TRUE(holdsImage(instrument.flash()));
}

// Ctrl-C while the close waits for the leave command's byte on a line that
// does not take it: the wait ends, the port is let go, and the run ends as an
// interrupted one, with its code and its record.
TEST_F(CommandLineTest, AnInterruptionWhileTheCloseWaitsForTheLineEndsTheRunAsInterrupted)
{
    struct HeldLine final : OutputQueue {
        std::error_code queued(int, int& bytes) override
        {
            interruption::request(SIGINT);
            bytes = 1;
            return {};
        }
        void discard(int) override {}
        ScopedOutputQueue scope{*this};
    };
    sim::Instrument instrument(sim::Config{});
    ScopedPortMapping mapping(6, instrument.devicePath());
    const std::string report = file("report.json");

    interruption::clear();
    Outcome outcome;
    {
        HeldLine line;
        outcome = run({"leave", "6", "--report", report});
    }
    interruption::clear();

    EXPECT_EQ(outcome.code, 130);
    EXPECT_TRUE(outcome.err.starts_with("Перервано (SIGINT). ")) << outcome.err;
    const std::string json = readFile(report);
    EXPECT_TRUE(contains(json, "\"exitCode\": 130")) << json;
    EXPECT_TRUE(contains(json, "\"step\": \"leave\",\n      \"result\": \"failed\"")) << json;
    EXPECT_EQ(run({"leave", "6"}).code, 0) << "the port was not let go";
}

TEST_F(CommandLineTest, AWriteThatFailsMidwayKeepsTheInstrumentInItsBootloader)
{
    sim::Config config;
    config.faults.wrongReplyCommand = "BF";
    config.faults.wrongReplyIndex = 3;
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(4, instrument.devicePath());
    const std::string report = file("report.json");

    const Outcome outcome = run({"update", "4", "--report", report});

    EXPECT_NE(outcome.code, 0);
    EXPECT_TRUE(outcome.err.starts_with("Помилка при виконанні програми!\nПричина: ")) << outcome.err;
    EXPECT_TRUE(instrument.inBootloader());
    const std::string json = readFile(report);
    EXPECT_TRUE(contains(json, "\"step\": \"program\",\n      \"result\": \"failed\"")) << json;
    EXPECT_TRUE(contains(json, "\"step\": \"leave\",\n      \"result\": \"skipped\"")) << json;
    EXPECT_TRUE(contains(json, "\"phase\": \"write\"")) << json;
}

// However far an update got before it failed or was stopped, the console and,
// in the same words, the record tell what state the instrument is in and the
// one step to take; every step is in the record once. Another update then
// recovers an ATmega128.
TEST_F(CommandLineTest, AnUpdateThatEndsShortAdvisesByHowFarItGot)
{
    const std::array<std::uint8_t, 3> atmega128 = {0x1E, 0x97, 0x02};
    // A whole update makes 1,291 round trips, the last 640 of them reading back.
    const auto readingBack = [](const sim::Counters& c) { return c.roundTrips > 1000; };
    const struct {
        std::array<std::uint8_t, 3> signature;
        std::function<bool(const sim::Counters&)> cutPower;   // never where empty
        bool interruptAtBeep;
        int code;
        const char* state;
        const char* recorded;
    } cases[] = {
        {{0x1E, 0x96, 0x02}, {}, false, 4, "waiting unchanged", "\"signature\": \"1E 96 02\""},
        {atmega128, [](const sim::Counters& c) { return c.pagesWritten > 20; }, false, 4, "erased or partly written",
         "\"cause\": \"Таймаут протягом операції читання з COM порту!\",\n    \"phase\": \"write\""},
        {atmega128, readingBack, false, 4, "written, not verified", "\"phase\": \"read-back\""},
        {atmega128, {}, true, 130, "verified", "\"result\": \"passed\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        sim::Config config;
        config.signature = c.signature;
        sim::Instrument instrument(config);
        ScopedPortMapping mapping(6, instrument.devicePath());
        const std::string report = file("report.json");
        Outcome outcome;
        {
            std::optional<PowerCut> cut;
            if (c.cutPower)
                cut.emplace(instrument, c.cutPower);
            outcome = run({"update", "6", "--yes", "--report", report}, {}, false, [&] {
                if (c.interruptAtBeep)
                    interruption::request(SIGINT);
            });
            interruption::clear();
        }

        const std::string json = readFile(report);
        const nlohmann::json record = nlohmann::json::parse(json);
        EXPECT_EQ(outcome.code, c.code) << outcome.err;
        EXPECT_TRUE(contains(json, c.recorded)) << json;
        EXPECT_EQ(record["instrument"]["state"], c.state);
        EXPECT_TRUE(contains(outcome.err, record["instrument"]["advice"].get<std::string>() + "\n")) << outcome.err;
        std::set<std::string> steps;
        for (const nlohmann::json& step : record["steps"])
            EXPECT_TRUE(steps.insert(step["step"].get<std::string>()).second) << json;
        EXPECT_EQ(record["steps"].back()["result"], "skipped") << "the leave step\n" << json;
        if (c.signature == atmega128) {
            EXPECT_EQ(run({"update", "6", "--yes"}).code, 0);
            EXPECT_TRUE(holdsImage(instrument.flash()));
        }
    }
}

TEST_F(CommandLineTest, PortProblemsEndWithThePortExitCode)
{
    const Outcome none = run({"connect"});
    EXPECT_EQ(none.code, 3);
    EXPECT_EQ(none.err, "COM порт не вибраний!\n");

    const Outcome outOfRange = run({"connect", "COM11"});
    EXPECT_EQ(outOfRange.code, 3);
    EXPECT_TRUE(contains(outOfRange.err, "Підтримується тільки порти COM1 - COM10!")) << outOfRange.err;

    const std::string missing = directory + "/no-such-device";
    const Outcome absent = run({"leave", missing});
    EXPECT_EQ(absent.code, 3);
    EXPECT_TRUE(absent.err.starts_with("Помилка відкриття  порту " + missing + "\n")) << absent.err;
    EXPECT_TRUE(contains(absent.err, "Пристрою " + missing + " немає")) << absent.err;
}

// Runs the command line in a child process with the given user and group, so
// that a test run as root still meets a device it may not open.
Outcome runAs(uid_t user, gid_t group, const std::vector<std::string>& words)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(user) != 0))
            _exit(99);
        const Outcome outcome = run(words);
        const std::string text = outcome.err;
        ssize_t written = write(pipeEnds[1], text.data(), text.size());
        _exit(written == static_cast<ssize_t>(text.size()) ? outcome.code : 98);
    }
    close(pipeEnds[1]);
    Outcome outcome;
    char buffer[512];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        outcome.err.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// Joining the device's group is advised where that group gives access, and
// never for root's group.
TEST_F(CommandLineTest, ADeviceWithoutPermissionGetsTheRightAdvice)
{
    const std::string device = file("locked-device");
    std::ofstream(device).put('x');
    ASSERT_EQ(chmod(device.c_str(), 0660), 0);
    ASSERT_EQ(chmod(directory.c_str(), 0755), 0);
    const uid_t nobody = 65534;
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(device.c_str(), 0), 0);
        const Outcome outcome = runAs(geteuid(), nobody, {"leave", device});
        EXPECT_EQ(outcome.code, 3) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, "Немає дозволу на " + device)) << outcome.err;
        return;
    }
    for (const auto& [groupName, joinAdvised] : {std::pair{"dialout", true}, {"root", false}}) {
        const struct group* owner = getgrnam(groupName);
        if (owner == nullptr)
            continue;
        ASSERT_EQ(chown(device.c_str(), 0, owner->gr_gid), 0);
        const Outcome outcome = runAs(nobody, nobody, {"leave", device});
        EXPECT_EQ(outcome.code, 3) << outcome.err;
        EXPECT_TRUE(outcome.err.starts_with("Помилка відкриття  порту " + device + "\n")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, "Немає дозволу на " + device)) << outcome.err;
        EXPECT_EQ(contains(outcome.err, std::string("sudo usermod -aG ") + groupName), joinAdvised) << outcome.err;
        EXPECT_EQ(contains(outcome.err, "права rw-rw----"), !joinAdvised) << outcome.err;
    }
}

// A port that the system describes as a paired phone's link is listed as
// such without being opened; a command given it still opens it.
TEST_F(CommandLineTest, PortsListsTheInstrumentAsAvailableAndABluetoothLinkUnopened)
{
    sim::Instrument instrument(sim::Config{});
    ScopedPortMapping mapping(9, instrument.devicePath());
    sim::Instrument phoneLink(sim::Config{});
    ScopedPortMapping phoneMapping(4, phoneLink.devicePath());
    const PresentedPorts phone(pairedPhone::ports());

    const Outcome outcome = run({"ports"});

    EXPECT_EQ(outcome.code, 0);
    const auto row = [&](const std::string& name) {
        const std::size_t line = outcome.out.find(name + " ");
        return line == std::string::npos ? std::string() : outcome.out.substr(line, outcome.out.find('\n', line) - line);
    };
    EXPECT_TRUE(contains(row("COM9"), instrument.devicePath())) << outcome.out;
    EXPECT_TRUE(contains(row("COM9"), "вільний")) << outcome.out;
    EXPECT_TRUE(contains(row("COM4"), bluetoothLinkText)) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "Standard Serial over Bluetooth link (COM4)")) << outcome.out;
    {
        // A Bluetooth link alone is no port to use, and the list does not call it none found.
        const PresentedPorts onlyThePhone(pairedPhone::ports(), PresentedPorts::Alone);
        const Outcome unusable = run({"ports"});
        EXPECT_EQ(unusable.code, 3);
        EXPECT_EQ(unusable.err, "Вільного COM порту немає: кожен знайдений зайнятий або недоступний.\n");
    }

    EXPECT_EQ(run({"leave", "4"}).code, 0);
    EXPECT_TRUE(eventually([&] { return phoneLink.counters().bytesFromHost == 1; }));
}

// Only an adapter that holds every reply for its 16 ms latency timer earns the
// hint; the figure goes into the record in every case.
TEST_F(CommandLineTest, AnAdapterThatHoldsRepliesBackGetsOneLineOfAdvice)
{
    struct Case {
        sim::AdapterKind adapter;
        int latencyTimerMs;
        bool hinted;
    };
    for (const Case& c : {Case{sim::AdapterKind::None, 0, false}, Case{sim::AdapterKind::LatencyTimer, 1, false},
                          Case{sim::AdapterKind::UsbFrame, 0, false}, Case{sim::AdapterKind::LatencyTimer, 16, true}}) {
        sim::Config config;
        config.adapter = c.adapter;
        config.latencyTimerMs = c.latencyTimerMs;
        sim::Instrument instrument(config);
        const std::string report = file("adapter.json");

        const Outcome outcome = run({"connect", instrument.devicePath(), "--report", report});

        const std::string label = "latency timer " + std::to_string(c.latencyTimerMs) + "\n" + outcome.err;
        EXPECT_EQ(outcome.code, 0) << label;
        const bool hinted = contains(outcome.err, "Адаптер порту затримує відповіді VELTOR");
        EXPECT_EQ(hinted, c.hinted) << label;
        if (hinted) {
            EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << label;
            EXPECT_TRUE(contains(outcome.err, "low_latency")) << label;
        }
        const std::string json = readFile(report);
        EXPECT_TRUE(contains(json, "\"replyTime\": {")) << json;
        EXPECT_TRUE(contains(json, std::string("\"heldBack\": ") + (c.hinted ? "true" : "false"))) << json;
    }
}

TEST_F(CommandLineTest, UsageErrorsAndHelpNeedNoInstrument)
{
    EXPECT_EQ(run({"frobnicate"}).code, 2);
    EXPECT_EQ(run({}).code, 2);
    const Outcome help = run({"verify", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.starts_with("Використання: veltor-update verify ПОРТ"));
}

// The only slow case: the handshake gives up between 5 and 6 seconds.
TEST_F(CommandLineTest, AnInstrumentThatNeverAnswersEndsWithTheNotAnsweringCode)
{
    sim::Config config;
    config.faults.neverAnswerProbe = true;
    sim::Instrument instrument(config);
    ScopedPortMapping mapping(8, instrument.devicePath());

    const Outcome outcome = run({"update", "8"});

    EXPECT_EQ(outcome.code, 4);
    EXPECT_EQ(outcome.err, "VELTOR не відповідає!\nСпробуйте повторити процедуру\nпрограмування ще раз!\n"
                           "Мікропрограму VELTOR не змінено.\n");
}

} // namespace
