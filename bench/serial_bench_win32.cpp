// Serial benchmark for Windows: one full update (connect, program, leave)
// through the Windows serial port against the drivers of a technician's
// laptop, replayed in simulated time (tests/support/replayed_driver.h), with
// the simulated instrument's bootloader answering. Prints, for each driver,
// with Windows' 15.6 ms timer tick and without it (as under wine): the
// update's time, its ratio to the least time the same exchange needs on the
// line, and the Windows calls and waits the port made. Asserts nothing.
//
//   veltor-serial-bench

#include "job/job_info.h"
#include "link/serial_port.h"
#include "session/instrument_session.h"
#include "sim/bootloader.h"
#include "sim/chip.h"
#include "sim/wire_ledger.h"
#include "tests/support/replayed_driver.h"

#include <cstdio>
#include <exception>
#include <span>
#include <vector>

namespace {

using replay::Driver;
using std::chrono::microseconds;

constexpr int port = 1;

// The simulated bootloader behind the line: complete frames in, answers out.
// Its ledger keeps the least time the exchange needs on the line, as the
// simulated instrument's does.
class Responder {
public:
    Responder() : bootloader(config, chip) { bootloader.reset(); }

    replay::Answer received(std::uint8_t byte)
    {
        pending.push_back(byte);
        replay::Answer answer;
        for (;;) {
            const std::size_t length = bootloader.frameLength(pending);
            if (length == 0)
                break;
            ledger.received(length);
            const sim::Action action = bootloader.execute(std::span(pending).first(length));
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(length));
            ledger.busy(action.busySeconds);
            if (!action.reply.empty())
                ledger.sent(action.reply.size());
            answer.bytes.insert(answer.bytes.end(), action.reply.begin(), action.reply.end());
            answer.after += std::chrono::duration_cast<microseconds>(std::chrono::duration<double>(action.busySeconds));
        }
        return answer;
    }

    sim::WireLedger ledger;

private:
    sim::Config config;
    sim::Chip chip;
    sim::Bootloader bootloader;
    std::vector<std::uint8_t> pending;
};

struct Run {
    microseconds took{};
    double leastLineSeconds = 0;
    std::uint64_t roundTrips = 0;
    std::chrono::milliseconds paused{};
    replay::Counts counts;
    bool succeeded = false;
};

Run fullUpdate(const Driver& kind, microseconds tick)
{
    Responder instrument;
    replay::ReplayedDriver driver(kind, tick, [&](std::uint8_t byte) { return instrument.received(byte); });
    Run run;
    const microseconds start = driver.time();
    try {
        {
            SerialPort serial(port, session::portTimeoutSeconds);
            serial.openPort();
            const session::Connection connection = session::connect(serial);
            serial.closePort();
            if (!connection.matched)
                return run;
        }
        JobInfo job;
        job.runJob(port);
        SerialPort serial(port, session::portTimeoutSeconds);
        serial.openPort();
        session::leaveProgramming(serial);
        serial.closePort();
        run.succeeded = true;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", kind.name, failure.what());
    }
    run.took = driver.time() - start;
    run.leastLineSeconds = instrument.ledger.leastSeconds();
    run.roundTrips = instrument.ledger.roundTrips();
    run.paused = driver.paused;
    run.counts = driver.counts;
    return run;
}

void printTable(microseconds tick)
{
    if (tick.count() == 0)
        std::printf("Without a timer tick (as under wine)\n\n");
    else
        std::printf("With Windows' %.1f ms timer tick\n\n", tick.count() / 1000.0);
    std::printf("| Driver | Update | Least line time | Update / least | Update / (least + pause) | Round trips | "
                "WriteFile | ReadFile | ClearCommError | Waits: sleeps + reads that ran out |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    double pause = 0;
    for (const Driver* kind : replay::allDrivers) {
        const Run run = fullUpdate(*kind, tick);
        if (!run.succeeded) {
            std::printf("| %s | failed |\n", kind->name);
            continue;
        }
        const replay::Counts& c = run.counts;
        const double seconds = run.took.count() / 1e6;
        pause = std::chrono::duration<double>(run.paused).count();
        std::printf("| %s | %.3f s | %.3f s | %.3f | %.3f | %llu | %d | %d | %d | %d + %d |\n", kind->name, seconds,
                    run.leastLineSeconds, seconds / run.leastLineSeconds, seconds / (run.leastLineSeconds + pause),
                    static_cast<unsigned long long>(run.roundTrips), c.writeFile, c.readFile, c.clearCommError,
                    c.sleep, c.readsTimedOut);
    }
    std::printf("\nThe pause: the handshake's %.3f s after the instrument's 'B', in which the line is idle; the least\n"
                "line time leaves it out.\n\n",
                pause);
}

} // namespace

int main()
{
    std::printf("Full update through the Windows serial port, replayed drivers, simulated time\n\n");
    for (const microseconds tick : {replay::windowsTick, microseconds(0)})
        printTable(tick);
    return 0;
}
