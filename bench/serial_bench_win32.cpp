// Serial benchmark for Windows: one full update (connect, program, leave)
// through the Windows serial port against drivers replayed in simulated time
// (tests/support/replayed_driver.h), with the simulated instrument's
// bootloader answering. Prints, for each driver, with Windows' 15.6 ms timer
// tick and without: the update's time on the line, its round trips, the time
// per round trip, and the Windows calls the port made. Asserts nothing.
//
//   veltor-serial-bench

#include "job/job_info.h"
#include "link/serial_port.h"
#include "session/instrument_session.h"
#include "sim/bootloader.h"
#include "sim/chip.h"
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
            const sim::Action action = bootloader.execute(std::span(pending).first(length));
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(length));
            answer.bytes.insert(answer.bytes.end(), action.reply.begin(), action.reply.end());
            answer.after += std::chrono::duration_cast<microseconds>(std::chrono::duration<double>(action.busySeconds));
        }
        if (!answer.bytes.empty())
            ++roundTrips;
        return answer;
    }

    int roundTrips = 0;

private:
    sim::Config config;
    sim::Chip chip;
    sim::Bootloader bootloader;
    std::vector<std::uint8_t> pending;
};

struct Run {
    microseconds took{};
    int roundTrips = 0;
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
    run.roundTrips = instrument.roundTrips;
    run.counts = driver.counts;
    return run;
}

} // namespace

int main()
{
    std::printf("Full update through the Windows serial port, replayed drivers, simulated time\n\n");
    std::printf("| Driver | Timer tick | Update | Round trips | Per round trip | ReadFile | of them timed out | "
                "WriteFile | ClearCommError | SetCommTimeouts | FlushFileBuffers | PurgeComm | Sleep |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Driver* kind : {&replay::nativePort, &replay::ftdiAdapter, &replay::cdcAdapter}) {
        for (const microseconds tick : {microseconds(0), replay::windowsTick}) {
            const Run run = fullUpdate(*kind, tick);
            if (!run.succeeded) {
                std::printf("| %s | %.1f ms | failed |\n", kind->name, tick.count() / 1000.0);
                continue;
            }
            const replay::Counts& c = run.counts;
            std::printf("| %s | %s | %.3f s | %d | %.3f ms | %d | %d | %d | %d | %d | %d | %d | %d |\n", kind->name,
                        tick.count() == 0 ? "none (wine)" : "15.6 ms", run.took.count() / 1e6, run.roundTrips,
                        run.took.count() / 1000.0 / run.roundTrips, c.readFile, c.readsTimedOut, c.writeFile,
                        c.clearCommError, c.setCommTimeouts, c.flushFileBuffers, c.purgeComm, c.sleep);
        }
    }
    return 0;
}
