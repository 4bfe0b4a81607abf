// Update benchmark: runs the veltor-update executable against simulated
// instruments with wire pacing (115200 bit/s, 8N2, data-sheet flash times) and
// prints the figures: the tool's wall time against the least time the same
// exchange needs on a real line, its CPU share and system calls, bytes and
// round trips; the same on the byte path; four updates at once on four ports;
// the full update through USB serial adapters that hold replies back.
//
//   veltor-bench [--tool PATH] [--runs N] [--skip-byte-path] [--skip-parallel]
//                [--skip-adapters] [--adapters-only]

#include "sim/instrument.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <optional>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef VELTOR_UPDATE_PATH
#define VELTOR_UPDATE_PATH "veltor-update"
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string tool = VELTOR_UPDATE_PATH;
    int runs = 1;
    bool bytePath = true;
    bool parallel = true;
    bool basic = true;
    bool adapters = true;
};

struct Child {
    pid_t pid = -1;
    Clock::time_point started;
    std::string errorFile;
};

// The tool's read and write system calls, from the kernel's I/O accounting
// (/proc/PID/io): the serial port's and the few of its start and output.
struct SystemCalls {
    long reads = -1;
    long writes = -1;
};

struct ChildResult {
    int exitCode = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double userSeconds = 0;
    SystemCalls calls;
    Clock::time_point ended;
};

struct Figures {
    double wall = 0;
    double cpu = 0;
    double user = 0;
    sim::Counters counters;
    SystemCalls calls;
};

// Starts the tool with its output thrown away (stderr kept in a file for a
// failure report), so that it runs as it would from a script.
Child startTool(const std::string& tool, const std::vector<std::string>& arguments)
{
    Child child;
    std::string errorName = (std::filesystem::temp_directory_path() / "veltor-bench-XXXXXX").string();
    const int errorFd = mkstemp(errorName.data());
    child.errorFile = errorName;
    child.started = Clock::now();
    child.pid = fork();
    if (child.pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(errorFd, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(tool.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(tool.c_str(), argv.data());
        std::perror("execv");
        _exit(127);
    }
    close(errorFd);
    return child;
}

// Read while the ended child is not yet reaped.
SystemCalls systemCallsOf(pid_t pid)
{
    siginfo_t ended{};
    SystemCalls calls;
    if (waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT) != 0)
        return calls;
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    for (std::string name; io >> name;) {
        if (name == "syscr:")
            io >> calls.reads;
        else if (name == "syscw:")
            io >> calls.writes;
    }
    return calls;
}

ChildResult waitFor(const Child& child)
{
    int status = 0;
    rusage usage{};
    const SystemCalls calls = systemCallsOf(child.pid);
    wait4(child.pid, &status, 0, &usage);
    ChildResult result;
    result.calls = calls;
    result.ended = Clock::now();
    result.wallSeconds = std::chrono::duration<double>(result.ended - child.started).count();
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    result.userSeconds = seconds(usage.ru_utime);
    result.cpuSeconds = result.userSeconds + seconds(usage.ru_stime);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (result.exitCode != 0) {
        std::ifstream errors(child.errorFile);
        std::fprintf(stderr, "veltor-update failed with exit code %d:\n%s\n", result.exitCode,
                     std::string(std::istreambuf_iterator<char>(errors), {}).c_str());
    }
    std::remove(child.errorFile.c_str());
    return result;
}

ChildResult runTool(const std::string& tool, const std::vector<std::string>& arguments)
{
    return waitFor(startTool(tool, arguments));
}

sim::Config pacedInstrument(bool blockSupport)
{
    sim::Config config;
    config.pacing = true;
    config.blockSupport = blockSupport;
    config.powerOnDelayMs = 0;
    return config;
}

// One whole update (connect, program, leave) on a freshly switched-on instrument.
std::optional<Figures> update(const Options& options, const sim::Config& config)
{
    sim::Instrument instrument(config);
    const ChildResult result = runTool(options.tool, {"update", instrument.devicePath(), "--yes"});
    if (result.exitCode != 0)
        return std::nullopt;
    return Figures{result.wallSeconds, result.cpuSeconds, result.userSeconds, instrument.counters(), result.calls};
}

// The programming run alone, on an instrument that a connect has left in its bootloader.
std::optional<Figures> programOnly(const Options& options)
{
    sim::Instrument instrument(pacedInstrument(true));
    if (runTool(options.tool, {"connect", instrument.devicePath()}).exitCode != 0)
        return std::nullopt;
    instrument.resetCounters();
    const ChildResult result = runTool(options.tool, {"program", instrument.devicePath(), "--yes"});
    if (result.exitCode != 0)
        return std::nullopt;
    return Figures{result.wallSeconds, result.cpuSeconds, result.userSeconds, instrument.counters(), result.calls};
}

// Four instruments on four ports, four tool processes started together.
std::optional<std::vector<Figures>> parallelUpdates(const Options& options, double& totalWall)
{
    constexpr int count = 4;
    std::vector<std::unique_ptr<sim::Instrument>> instruments;
    for (int i = 0; i < count; ++i)
        instruments.push_back(std::make_unique<sim::Instrument>(pacedInstrument(true)));
    const Clock::time_point start = Clock::now();
    std::vector<Child> children;
    for (const auto& instrument : instruments)
        children.push_back(startTool(options.tool, {"update", instrument->devicePath(), "--yes"}));
    std::vector<Figures> figures;
    bool failed = false;
    Clock::time_point last = start;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ChildResult result = waitFor(children[i]);
        failed = failed || result.exitCode != 0;
        last = std::max(last, result.ended);
        figures.push_back(
            {result.wallSeconds, result.cpuSeconds, result.userSeconds, instruments[i]->counters(), result.calls});
    }
    totalWall = std::chrono::duration<double>(last - start).count();
    if (failed)
        return std::nullopt;
    return figures;
}

template <typename Run>
auto bestOf(int runs, Run run) -> decltype(run())
{
    decltype(run()) best;
    for (int i = 0; i < runs; ++i) {
        auto figures = run();
        if (!figures)
            return std::nullopt;
        if (!best || figures->wall < best->wall)
            best = figures;
    }
    return best;
}

// The handshake pauses this long after the instrument's 'B' before it asks for
// the identifier; the line is idle then, so the wire count leaves it out.
constexpr double settlingPause = 0.5;

void printFigures(const char* title, const Figures& figures, bool withHandshake)
{
    const sim::Counters& c = figures.counters;
    std::printf("%s\n", title);
    std::printf("  tool wall time        %8.3f s\n", figures.wall);
    std::printf("  least wire time       %8.3f s\n", c.leastWireSeconds);
    std::printf("  wall / wire           %8.3f   (target <= 1.05)\n", figures.wall / c.leastWireSeconds);
    if (withHandshake)
        std::printf("  wall / (wire + 0.5 s) %8.3f   (the handshake's settling pause counted as needed)\n",
                    figures.wall / (c.leastWireSeconds + settlingPause));
    std::printf("  tool CPU time         %8.3f s   (user %.3f s, system %.3f s)\n", figures.cpu, figures.user,
                figures.cpu - figures.user);
    std::printf("  CPU / wall            %7.2f %%   (target < 5 %%)\n", 100 * figures.cpu / figures.wall);
    std::printf("  write / read calls    %8ld / %ld   (the tool's system calls)\n", figures.calls.writes,
                figures.calls.reads);
    std::printf("  bytes host -> VELTOR  %8llu\n", static_cast<unsigned long long>(c.bytesFromHost));
    std::printf("  bytes VELTOR -> host  %8llu\n", static_cast<unsigned long long>(c.bytesToHost));
    std::printf("  round trips           %8llu\n", static_cast<unsigned long long>(c.roundTrips));
    std::printf("  commands              %8llu\n", static_cast<unsigned long long>(c.commands));
    std::printf("  pages written         %8llu\n\n", static_cast<unsigned long long>(c.pagesWritten));
    std::fflush(stdout);
}

void printMachine()
{
    utsname names{};
    uname(&names);
    std::string cpu = "unknown";
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);) {
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::printf("machine: %s %s %s, %ld CPUs (%s)\n\n", names.sysname, names.release, names.machine,
                sysconf(_SC_NPROCESSORS_ONLN), cpu.c_str());
}

struct AdapterScenario {
    const char* name;
    sim::AdapterKind kind;
    int latencyTimerMs;
};

// The full update through adapters that hold bytes on their way to the
// computer: the time per round trip the tool sees, against the simulator's count.
bool adapterScenarios(const Options& options)
{
    const AdapterScenario scenarios[] = {
        {"no adapter (latency 0)", sim::AdapterKind::None, 0},
        {"FTDI kind, latency timer 1 ms", sim::AdapterKind::LatencyTimer, 1},
        {"FTDI kind, latency timer 4 ms", sim::AdapterKind::LatencyTimer, 4},
        {"FTDI kind, latency timer 16 ms", sim::AdapterKind::LatencyTimer, 16},
        {"1 ms USB frame (CH340, CP210x, PL2303 kind)", sim::AdapterKind::UsbFrame, 0},
    };
    std::printf("Full update through a USB serial adapter (block path)\n");
    std::printf("  %-44s %9s %9s %11s %12s %11s\n", "adapter", "wall", "wire", "round trips", "wall / trip",
                "added/trip");
    std::optional<double> direct;
    for (const AdapterScenario& scenario : scenarios) {
        sim::Config config = pacedInstrument(true);
        config.adapter = scenario.kind;
        config.latencyTimerMs = scenario.latencyTimerMs;
        const auto figures = bestOf(options.runs, [&] { return update(options, config); });
        if (!figures)
            return false;
        const double trips = static_cast<double>(figures->counters.roundTrips);
        if (!direct)
            direct = figures->wall;
        std::printf("  %-44s %7.3f s %7.3f s %11llu %9.2f ms %8.2f ms\n", scenario.name, figures->wall,
                    figures->counters.leastWireSeconds, static_cast<unsigned long long>(figures->counters.roundTrips),
                    1000 * figures->wall / trips, 1000 * (figures->wall - *direct) / trips);
        std::fflush(stdout);
    }
    std::printf("  (wall / trip: the tool's wall time over the simulator's round trips; added/trip: the same for\n"
                "   the time beyond the run without an adapter)\n\n");
    return true;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--tool" && i + 1 < argc) {
            options.tool = argv[++i];
        } else if (word == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (word == "--skip-byte-path") {
            options.bytePath = false;
        } else if (word == "--skip-parallel") {
            options.parallel = false;
        } else if (word == "--skip-adapters") {
            options.adapters = false;
        } else if (word == "--adapters-only") {
            options.basic = false;
            options.adapters = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--tool PATH] [--runs N] [--skip-byte-path] [--skip-parallel]\n"
                         "          [--skip-adapters] [--adapters-only]\n"
                         "Times veltor-update against paced simulated instruments (best of N runs).\n",
                         argv[0]);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options))
        return 2;
    printMachine();
    if (options.adapters && !adapterScenarios(options))
        return 1;
    if (!options.basic)
        return 0;

    const auto blocks = bestOf(options.runs, [&] { return update(options, pacedInstrument(true)); });
    if (!blocks)
        return 1;
    printFigures("Full update (connect, program, leave), block path", *blocks, true);

    const auto program = bestOf(options.runs, [&] { return programOnly(options); });
    if (!program)
        return 1;
    printFigures("Program alone (erase, write, read back, compare), block path", *program, false);

    if (options.bytePath) {
        const auto bytes = bestOf(options.runs, [&] { return update(options, pacedInstrument(false)); });
        if (!bytes)
            return 1;
        printFigures("Full update, byte path (no block support)", *bytes, true);
        std::printf("Block path saves %.1f s of %.1f s (%.0f %%), %llu of %llu round trips\n\n",
                    bytes->wall - blocks->wall, bytes->wall, 100 * (bytes->wall - blocks->wall) / bytes->wall,
                    static_cast<unsigned long long>(bytes->counters.roundTrips - blocks->counters.roundTrips),
                    static_cast<unsigned long long>(bytes->counters.roundTrips));
    }

    if (options.parallel) {
        double totalWall = 0;
        const auto four = parallelUpdates(options, totalWall);
        if (!four)
            return 1;
        std::printf("Four updates at once on four ports\n");
        for (std::size_t i = 0; i < four->size(); ++i)
            std::printf("  instrument %zu: wall %.3f s, wire %.3f s, CPU %.2f %%\n", i + 1, (*four)[i].wall,
                        (*four)[i].counters.leastWireSeconds, 100 * (*four)[i].cpu / (*four)[i].wall);
        std::printf("  total wall            %8.3f s\n", totalWall);
        std::printf("  one update alone      %8.3f s\n", blocks->wall);
        std::printf("  four / one            %8.3f   (target <= 1.2)\n", totalWall / blocks->wall);
    }
    return 0;
}
