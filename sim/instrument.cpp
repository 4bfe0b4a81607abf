#include "sim/instrument.h"

#include "sim/bootloader.h"
#include "sim/chip.h"
#include "sim/pseudo_terminal.h"
#include "sim/wire_ledger.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

constexpr auto lineByte = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(byteSeconds));
constexpr auto idleWake = std::chrono::milliseconds(200);
constexpr auto exclusivityCheck = std::chrono::milliseconds(20);
// A paced line lets the host's output run this far ahead of it before the
// host has to wait: a serial driver's transmit buffer (4 KiB on Linux) and the
// UART's 16-byte FIFO. A waiting writer is woken once fewer than 256 bytes
// are left to send, as the driver does, not for every byte that leaves.
constexpr auto hostLead = (4096 + 16) * lineByte;
constexpr auto hostWakeUp = 256 * lineByte;

Clock::duration seconds(double value)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

std::vector<std::uint8_t> readFile(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + name);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + name);
}

struct Outgoing {
    std::uint8_t byte;
    TimePoint due;
};

// A pipe that wakes the serving thread from its poll.
class WakePipe {
public:
    WakePipe()
    {
        if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
    }
    ~WakePipe()
    {
        close(fds[0]);
        close(fds[1]);
    }
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;
    int readEnd() const { return fds[0]; }
    void wake() const
    {
        const char byte = 0;
        [[maybe_unused]] auto ignored = write(fds[1], &byte, 1);
    }
    void drain() const
    {
        char buffer[64];
        while (read(fds[0], buffer, sizeof buffer) > 0) {
        }
    }

private:
    int fds[2] = {-1, -1};
};

} // namespace

struct Instrument::State {
    explicit State(Config configuration)
        : config(std::move(configuration)), bootloader(config, chip),
          adapter(config.adapter, std::chrono::milliseconds(config.latencyTimerMs), Clock::now())
    {
    }

    void serve();
    void step(TimePoint now);
    void updatePower(TimePoint now);
    void powerOn(TimePoint now);
    void powerOff(TimePoint now);
    void receive(TimePoint now);
    void holdHostWhileLineBusy(TimePoint now);
    void accept(std::uint8_t byte, TimePoint now);
    void process(TimePoint now);
    void carryOut(std::size_t length, TimePoint at);
    void transmit(TimePoint now);
    void hangUpIfDue();
    TimePoint nextWake(TimePoint now) const;
    Clock::duration paced(Clock::duration value) const { return config.pacing ? value : Clock::duration::zero(); }

    Config config;
    Chip chip;
    Bootloader bootloader;
    PseudoTerminal line;
    WakePipe wakePipe;

    mutable std::mutex mutex;
    mutable std::condition_variable bytesTaken;
    std::thread thread;
    bool stopping = false;

    bool powered = false;
    std::optional<TimePoint> powerOnAt;     // switched on then, unless already on
    TimePoint windowEnd;

    // Received bytes not yet taken by the bootloader, with the time each is
    // fully on the line; 'head' is the first untaken one.
    std::vector<std::uint8_t> inputBytes;
    std::vector<TimePoint> inputReady;
    std::size_t head = 0;
    std::optional<TimePoint> nextFrameAt;   // the front frame is complete but not yet due

    std::vector<Outgoing> output;           // on the line, due when fully sent, in due order
    std::size_t outputHead = 0;
    UsbAdapter adapter;
    std::vector<std::uint8_t> toHost;       // handed over, waiting for room on the host's side
    bool hostHeld = false;
    TimePoint receiveLineFree;
    TimePoint sendLineFree;
    TimePoint busyUntil;
    TimePoint lastExclusivityCheck;

    WireLedger ledger;
    Counters counters;
    std::uint64_t totalReceived = 0;
};

Instrument::Instrument(Config config) : state(std::make_unique<State>(std::move(config)))
{
    State& s = *state;
    if (!s.config.initialFlashFile.empty())
        s.chip.loadFlash(readFile(s.config.initialFlashFile));
    const TimePoint now = Clock::now();
    s.lastExclusivityCheck = now;
    s.powerOff(now);
    s.thread = std::thread([&s] { s.serve(); });
}

Instrument::~Instrument()
{
    {
        std::lock_guard lock(state->mutex);
        state->stopping = true;
    }
    state->wakePipe.wake();
    state->thread.join();
}

const std::string& Instrument::devicePath() const
{
    return state->line.slavePath();
}

void Instrument::powerCycle()
{
    {
        std::lock_guard lock(state->mutex);
        state->powerOff(Clock::now());
    }
    state->wakePipe.wake();
}

std::vector<std::uint8_t> Instrument::flash() const
{
    std::lock_guard lock(state->mutex);
    return state->chip.flash();
}

std::vector<std::uint8_t> Instrument::eeprom() const
{
    std::lock_guard lock(state->mutex);
    return state->chip.eeprom();
}

Counters Instrument::counters() const
{
    std::lock_guard lock(state->mutex);
    Counters result = state->counters;
    result.roundTrips = state->ledger.roundTrips();
    result.leastWireSeconds = state->ledger.leastSeconds();
    return result;
}

void Instrument::resetCounters()
{
    std::lock_guard lock(state->mutex);
    state->counters = {};
    state->ledger = {};
}

bool Instrument::inBootloader() const
{
    std::lock_guard lock(state->mutex);
    return state->powered && state->line.isOpen() && state->bootloader.mode() == Bootloader::Mode::Active;
}

bool Instrument::waitForBytesFromHost(std::uint64_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(state->mutex);
    return state->bytesTaken.wait_for(lock, limit, [&] { return state->counters.bytesFromHost >= count; });
}

bool Instrument::hungUp() const
{
    std::lock_guard lock(state->mutex);
    return !state->line.isOpen();
}

void Instrument::dumpMemories() const
{
    std::vector<std::uint8_t> flashCopy;
    std::vector<std::uint8_t> eepromCopy;
    {
        std::lock_guard lock(state->mutex);
        flashCopy = state->chip.flash();
        eepromCopy = state->chip.eeprom();
    }
    if (!state->config.flashDumpFile.empty())
        writeFile(state->config.flashDumpFile, flashCopy);
    if (!state->config.eepromDumpFile.empty())
        writeFile(state->config.eepromDumpFile, eepromCopy);
}

void Instrument::State::serve()
{
    std::unique_lock lock(mutex);
    while (!stopping) {
        const TimePoint now = Clock::now();
        step(now);

        pollfd fds[2] = {{wakePipe.readEnd(), POLLIN, 0}, {line.master(), POLLIN, 0}};
        if (!toHost.empty())
            fds[1].events |= POLLOUT;   // the host is not reading: wait until it does
        const nfds_t count = line.isOpen() ? 2 : 1;
        const auto wait = std::max(nextWake(now) - now, Clock::duration::zero());
        const auto waitNs = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        const timespec timeout{static_cast<time_t>(waitNs / 1'000'000'000), static_cast<long>(waitNs % 1'000'000'000)};

        lock.unlock();
        if (ppoll(fds, count, &timeout, nullptr) > 0 && fds[0].revents)
            wakePipe.drain();
        lock.lock();
    }
}

void Instrument::State::step(TimePoint now)
{
    if (!line.isOpen())
        return;
    updatePower(now);
    receive(now);
    bytesTaken.notify_all();
    holdHostWhileLineBusy(now);
    process(now);
    transmit(now);
    hangUpIfDue();
    if (line.isOpen() && now - lastExclusivityCheck >= exclusivityCheck) {
        lastExclusivityCheck = now;
        line.releaseAbandonedExclusivity();
    }
}

TimePoint Instrument::State::nextWake(TimePoint now) const
{
    TimePoint wake = now + idleWake;
    if (!powered && powerOnAt)
        wake = std::min(wake, *powerOnAt);
    if (powered && bootloader.mode() == Bootloader::Mode::Listening && config.bootWindowMs >= 0)
        wake = std::min(wake, windowEnd);
    if (nextFrameAt)
        wake = std::min(wake, *nextFrameAt);
    if (outputHead < output.size() && output[outputHead].due > now)
        wake = std::min(wake, output[outputHead].due);
    if (const auto delivery = adapter.nextDelivery())
        wake = std::min(wake, *delivery);
    if (hostHeld)
        wake = std::min(wake, receiveLineFree - hostWakeUp);
    wake = std::min(wake, lastExclusivityCheck + exclusivityCheck);
    return wake;
}

void Instrument::State::updatePower(TimePoint now)
{
    if (!powered && powerOnAt && now >= *powerOnAt)
        powerOn(now);
    if (powered && bootloader.mode() == Bootloader::Mode::Listening && config.bootWindowMs >= 0
        && now >= windowEnd)
        bootloader.startApplication();
}

void Instrument::State::powerOn(TimePoint now)
{
    powered = true;
    powerOnAt.reset();
    bootloader.reset();
    windowEnd = now + std::chrono::milliseconds(config.bootWindowMs);
}

// Switched off: the line goes quiet, whatever was under way is lost, and the
// instrument comes back on as configured. Bytes the adapter already holds
// still reach the host.
void Instrument::State::powerOff(TimePoint now)
{
    powered = false;
    inputBytes.clear();
    inputReady.clear();
    head = 0;
    nextFrameAt.reset();
    output.clear();
    outputHead = 0;
    receiveLineFree = sendLineFree = busyUntil = now;
    holdHostWhileLineBusy(now);
    if (config.powerOnAfterProbeMs < 0)
        powerOnAt = now + std::chrono::milliseconds(config.powerOnDelayMs);
    else
        powerOnAt.reset();
}

void Instrument::State::receive(TimePoint now)
{
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t got = read(line.master(), buffer, sizeof buffer);
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got; ++i) {
            accept(buffer[i], now);
            if (config.faults.hangUpAfterBytes >= 0
                && totalReceived >= static_cast<std::uint64_t>(config.faults.hangUpAfterBytes))
                return;
        }
        if (static_cast<std::size_t>(got) < sizeof buffer)
            return;   // drained; a further read would only say so
    }
}

void Instrument::State::accept(std::uint8_t byte, TimePoint now)
{
    ++counters.bytesFromHost;
    ++totalReceived;
    // A byte is there once its last stop bit is: the line carries one at a
    // time, whether the instrument listens or not.
    receiveLineFree = std::max(receiveLineFree, now) + paced(lineByte);
    if (!powered) {
        const bool probe = byte == ']' || byte == '[';
        if (probe && !powerOnAt && config.powerOnAfterProbeMs >= 0)
            powerOnAt = now + std::chrono::milliseconds(config.powerOnAfterProbeMs);
        return;
    }
    const bool silenced = config.faults.silentAfterBytes >= 0
        && totalReceived > static_cast<std::uint64_t>(config.faults.silentAfterBytes);
    if (silenced) {
        ledger.received(1);
        return;
    }
    inputBytes.push_back(byte);
    inputReady.push_back(receiveLineFree);
}

// The host cannot hand the line bytes faster than it carries them: its output
// waits while the line is more than a driver's buffer behind.
void Instrument::State::holdHostWhileLineBusy(TimePoint now)
{
    const auto backlog = receiveLineFree - now;
    const bool hold = config.pacing && line.isOpen() && backlog > (hostHeld ? hostWakeUp : hostLead);
    if (hold != hostHeld && line.isOpen())
        line.holdHostOutput(hold);
    hostHeld = hold;
}

void Instrument::State::process(TimePoint now)
{
    nextFrameAt.reset();
    while (powered && head < inputBytes.size()) {
        const std::span<const std::uint8_t> pending(inputBytes.data() + head, inputBytes.size() - head);
        const std::size_t length = bootloader.frameLength(pending);
        if (length == 0)
            break;
        const TimePoint ready = std::max(inputReady[head + length - 1], busyUntil);
        if (ready > now) {
            nextFrameAt = ready;
            break;
        }
        carryOut(length, ready);
    }
    if (head == inputBytes.size()) {
        inputBytes.clear();
        inputReady.clear();
        head = 0;
    }
}

void Instrument::State::carryOut(std::size_t length, TimePoint at)
{
    ledger.received(length);
    const Action action = bootloader.execute({inputBytes.data() + head, length});
    head += length;
    if (action.isCommand)
        ++counters.commands;
    if (!action.kind.empty())
        ++counters.commandsByKind[action.kind];
    counters.pagesWritten += action.pagesWritten;
    ledger.busy(action.busySeconds);
    busyUntil = at + paced(seconds(action.busySeconds));
    if (action.reply.empty())
        return;
    ledger.sent(action.reply.size());
    if (outputHead == output.size()) {
        output.clear();
        outputHead = 0;
    }
    for (std::uint8_t byte : action.reply) {
        sendLineFree = std::max(sendLineFree, busyUntil) + paced(lineByte);
        output.push_back({byte, sendLineFree});
    }
}

void Instrument::State::transmit(TimePoint now)
{
    for (; outputHead < output.size() && output[outputHead].due <= now; ++outputHead)
        adapter.take(output[outputHead].byte, output[outputHead].due);
    adapter.deliver(now, toHost);
    std::size_t done = 0;
    while (done < toHost.size()) {
        const ssize_t written = write(line.master(), toHost.data() + done, toHost.size() - done);
        if (written <= 0)
            break;   // full: the host is not reading; poll waits for room
        done += static_cast<std::size_t>(written);
    }
    toHost.erase(toHost.begin(), toHost.begin() + static_cast<std::ptrdiff_t>(done));
    counters.bytesToHost += done;
}

void Instrument::State::hangUpIfDue()
{
    const std::int64_t limit = config.faults.hangUpAfterBytes;
    if (limit >= 0 && totalReceived >= static_cast<std::uint64_t>(limit)) {
        line.hangUp();
        output.clear();
        outputHead = 0;
        adapter.clear();
        toHost.clear();
        hostHeld = false;
    }
}

} // namespace sim
