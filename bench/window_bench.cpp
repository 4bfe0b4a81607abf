// Window benchmark: the same paced update (connect, program, leave) driven
// through the main window on the offscreen platform, and through the command
// line, each against a freshly switched-on simulated instrument. Prints each
// process's wall time and CPU share; asserts nothing.
//
//   veltor-window-bench [--tool PATH] [--runs N] [--on-display]
//
// --on-display shows the window on the display of the session (for example
// under xvfb-run with a window manager) instead of the offscreen platform.
//
// The window runs in a child process (this program again, with --window-run),
// so that its CPU time is its own and not the simulator's.

#include "app/dialogs.h"
#include "app/programmer.h"
#include "app/stand_in.h"
#include "sim/instrument.h"

#include <QApplication>
#include <QRadioButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef VELTOR_UPDATE_PATH
#define VELTOR_UPDATE_PATH "veltor-update"
#endif

namespace {

using Clock = std::chrono::steady_clock;
const char* const windowRunFlag = "--window-run";

// Answers every box at once, as a technician who never hesitates.
class AnsweringDialogs final : public Dialogs {
public:
    void programMessage(const QString& text) override { fail(text); }
    void errorBox(const QString& text) override { fail(text); }
    void notice(const QString&) override { ++notices; }
    bool confirm(const QString&) override { return true; }
    void runModal(QDialog&) override {}

    int notices = 0;
    bool failed = false;

private:
    void fail(const QString& text)
    {
        failed = true;
        std::fprintf(stderr, "window: %s\n", text.toLocal8Bit().constData());
    }
};

double cpuSecondsSoFar(double* user = nullptr)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    if (user)
        *user = seconds(usage.ru_utime);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The child: one whole update through the window's own command handlers. It
// reports the commands' own wall and CPU time (start-up left out) on stdout.
int runWindow(int argc, char** argv)
{
    QApplication application(argc, argv);
    const standIn::Pretend realImage(false);
    AnsweringDialogs dialogs;
    TForm1 window(dialogs);
    window.show();
    QApplication::processEvents();
    window.RadioButton1->setChecked(true);
    double userBefore = 0;
    const double cpuBefore = cpuSecondsSoFar(&userBefore);
    const Clock::time_point started = Clock::now();
    window.BitBtn1Click();
    window.BitBtn4Click();
    window.BitBtn3Click();
    double userAfter = 0;
    const double cpuAfter = cpuSecondsSoFar(&userAfter);
    std::printf("%f %f %f\n", std::chrono::duration<double>(Clock::now() - started).count(), cpuAfter - cpuBefore,
                userAfter - userBefore);
    return dialogs.failed || dialogs.notices != 1 ? 1 : 0;
}

struct Figures {
    double wall = 0;
    double cpu = 0;
    double user = 0;
    double wire = 0;
    sim::Counters counters;
    // What the process reported of its own commands, start-up left out.
    double commandWall = 0;
    double commandCpu = 0;
    double commandUser = 0;
};

// Runs a program with COM1 on the device and the other ports on nothing.
bool onDisplay = false;

std::optional<Figures> run(const std::vector<std::string>& command, const std::string& device)
{
    int output[2];
    if (pipe(output) != 0)
        return std::nullopt;
    const Clock::time_point started = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!onDisplay)
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("VELTOR_COM1", device.c_str(), 1);
        for (int port = 2; port <= 10; ++port)
            setenv(("VELTOR_COM" + std::to_string(port)).c_str(), "/nonexistent/veltor-bench", 1);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(output[1], 1);
        close(output[0]);
        std::vector<char*> argv;
        for (const std::string& word : command)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        std::perror("execv");
        _exit(127);
    }
    close(output[1]);
    std::string reported;
    char buffer[256];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;)
        reported.append(buffer, static_cast<std::size_t>(got));
    close(output[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", command[0].c_str(), status);
        return std::nullopt;
    }
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    Figures figures;
    figures.wall = std::chrono::duration<double>(Clock::now() - started).count();
    figures.user = seconds(usage.ru_utime);
    figures.cpu = figures.user + seconds(usage.ru_stime);
    if (std::sscanf(reported.c_str(), "%lf %lf %lf", &figures.commandWall, &figures.commandCpu,
                    &figures.commandUser) != 3)
        figures.commandWall = 0;
    return figures;
}

std::optional<Figures> pacedUpdate(const std::vector<std::string>& command)
{
    sim::Config config;
    config.pacing = true;
    config.powerOnDelayMs = 0;
    sim::Instrument instrument(config);
    std::vector<std::string> full = command;
    for (std::string& word : full) {
        if (word == "DEVICE")
            word = instrument.devicePath();
    }
    auto figures = run(full, instrument.devicePath());
    if (figures) {
        figures->wire = instrument.counters().leastWireSeconds;
        figures->counters = instrument.counters();
    }
    return figures;
}

std::optional<Figures> bestOf(int runs, const std::vector<std::string>& command)
{
    std::optional<Figures> best;
    for (int i = 0; i < runs; ++i) {
        const auto figures = pacedUpdate(command);
        if (!figures)
            return std::nullopt;
        if (!best || figures->cpu / figures->wall < best->cpu / best->wall)
            best = figures;
    }
    return best;
}

void print(const char* title, const Figures& figures)
{
    std::printf("%s\n", title);
    std::printf("  wall time        %8.3f s   (least wire time %.3f s)\n", figures.wall, figures.wire);
    std::printf("  CPU time         %8.3f s   (user %.3f s, system %.3f s)\n", figures.cpu, figures.user,
                figures.cpu - figures.user);
    std::printf("  CPU / wall       %7.2f %%   (target <= 5 %%)\n", 100 * figures.cpu / figures.wall);
    if (figures.commandWall > 0)
        std::printf("  commands alone   %7.2f %%   (%.3f s CPU, user %.3f s, over %.3f s; start-up left out)\n",
                    100 * figures.commandCpu / figures.commandWall, figures.commandCpu, figures.commandUser,
                    figures.commandWall);
    std::printf("  bytes each way   %8llu / %llu, round trips %llu\n\n",
                static_cast<unsigned long long>(figures.counters.bytesFromHost),
                static_cast<unsigned long long>(figures.counters.bytesToHost),
                static_cast<unsigned long long>(figures.counters.roundTrips));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == windowRunFlag)
        return runWindow(argc, argv);

    std::string tool = VELTOR_UPDATE_PATH;
    int runs = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--tool" && i + 1 < argc) {
            tool = argv[++i];
        } else if (word == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (word == "--on-display") {
            onDisplay = true;
        } else {
            std::fprintf(stderr, "usage: %s [--tool PATH] [--runs N] [--on-display]\n"
                                 "Times a paced update through the offscreen window and through the command line "
                                 "(the lowest CPU share of N runs each).\n",
                         argv[0]);
            return 2;
        }
    }
    const std::string self = "/proc/self/exe";
    char path[4096] = {};
    const ssize_t length = readlink(self.c_str(), path, sizeof path - 1);
    if (length <= 0)
        return 1;

    const auto window = bestOf(runs, {std::string(path, static_cast<std::size_t>(length)), windowRunFlag});
    if (!window)
        return 1;
    print(onDisplay ? "Full update through the window (on the display)" : "Full update through the window (offscreen)",
          *window);

    const auto commandLine = bestOf(runs, {tool, "update", "DEVICE", "--yes"});
    if (!commandLine)
        return 1;
    print("Full update through the command line, same conditions", *commandLine);
    return 0;
}
