#include "sim/instrument.h"
#include "sim/options.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void printCounters(const sim::Counters& counters)
{
    std::printf("bytes from host: %llu\n", static_cast<unsigned long long>(counters.bytesFromHost));
    std::printf("bytes to host: %llu\n", static_cast<unsigned long long>(counters.bytesToHost));
    std::printf("commands: %llu\n", static_cast<unsigned long long>(counters.commands));
    std::printf("commands by kind:");
    for (const auto& [kind, count] : counters.commandsByKind)
        std::printf(" %s %llu", kind.c_str(), static_cast<unsigned long long>(count));
    std::printf("\n");
    std::printf("pages written: %llu\n", static_cast<unsigned long long>(counters.pagesWritten));
    std::printf("round trips: %llu\n", static_cast<unsigned long long>(counters.roundTrips));
    std::printf("least wire time: %.3f s\n", counters.leastWireSeconds);
    std::fflush(stdout);
}

bool dump(const sim::Instrument& instrument)
{
    try {
        instrument.dumpMemories();
        return true;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "veltor-sim: %s\n", error.what());
        return false;
    }
}

// Replaces an old symbolic link, never a file of another kind.
bool makeLink(const std::string& target, const std::string& linkPath)
{
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode))
        unlink(linkPath.c_str());
    if (symlink(target.c_str(), linkPath.c_str()) != 0) {
        std::fprintf(stderr, "veltor-sim: cannot make link %s: %s\n", linkPath.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

sigset_t handledSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        sigaddset(&set, signal);
    return set;
}

} // namespace

int main(int argc, char** argv)
{
    sim::Options options;
    try {
        options = sim::parseOptions({argv + 1, argv + argc});
    } catch (const sim::OptionError& error) {
        std::fprintf(stderr, "veltor-sim: %s\nTry '%s --help'.\n", error.what(), argv[0]);
        return 2;
    }
    if (options.help) {
        std::cout << sim::usage(argv[0]);
        return 0;
    }

    // Blocked before the serving thread starts, so that only sigtimedwait below takes them.
    const sigset_t signals = handledSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::unique_ptr<sim::Instrument> instrument;
    try {
        instrument = std::make_unique<sim::Instrument>(options.config);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "veltor-sim: %s\n", error.what());
        return 1;
    }
    if (!options.linkPath.empty() && !makeLink(instrument->devicePath(), options.linkPath))
        return 1;
    std::printf("%s\n", instrument->devicePath().c_str());
    if (!options.linkPath.empty())
        std::printf("link: %s\n", options.linkPath.c_str());
    std::fflush(stdout);

    bool reportedHangUp = false;
    for (;;) {
        const timespec poll{0, 200'000'000};
        const int signal = sigtimedwait(&signals, nullptr, &poll);
        if (signal == SIGINT || signal == SIGTERM)
            break;
        if (signal == SIGUSR1) {
            instrument->powerCycle();
            std::printf("power cycled\n");
        } else if (signal == SIGUSR2 && dump(*instrument)) {
            std::printf("memories dumped\n");
        }
        if (!reportedHangUp && instrument->hungUp()) {
            reportedHangUp = true;
            std::printf("hung up\n");
        }
        std::fflush(stdout);
    }

    const bool dumped = dump(*instrument);
    printCounters(instrument->counters());
    instrument.reset();
    if (!options.linkPath.empty())
        unlink(options.linkPath.c_str());
    return dumped ? 0 : 1;
}
