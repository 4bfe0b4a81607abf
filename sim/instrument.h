#pragma once

#include "sim/usb_adapter.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The simulated VELTOR: an ATmega128 with its self-programming bootloader,
// served on a pseudo-terminal. Used in-process by tests and benchmarks, and by
// the veltor-sim executable.
namespace sim {

// A command kind is its letter ("e", "m", "A", "c", ...); for the block commands
// the memory letter follows: "BF", "BE", "gF", "gE". Commands are counted from
// construction, across power cycles. A command whose reply is spoiled or
// dropped is still carried out.
struct Faults {
    bool neverAnswerProbe = false;
    int probeAnswer = 'B';              // 'A' or 0x00 to answer the probe wrongly
    int noiseBeforeB = 0;               // this many noise bytes precede the first 'B' after power-on
    // The k-th (1-based) command of a kind gets 'wrongReplyByte' instead of CR
    // (a command that answers data gets it as its first byte, or that byte
    // inverted if it is the byte it would send anyway).
    std::string wrongReplyCommand;      // e.g. "BF" (flash block write), "e", "m", "A"
    int wrongReplyIndex = 0;
    std::uint8_t wrongReplyByte = '?';
    // The k-th command of a kind gets no reply at all.
    std::string dropReplyCommand;
    int dropReplyIndex = 0;
    // Read back a wrong byte (bits inverted) at this flash address; -1: off.
    std::int64_t corruptReadAddress = -1;
    // After this many received bytes the instrument goes silent / hangs up
    // (closes the line), for good; -1: off.
    std::int64_t silentAfterBytes = -1;
    std::int64_t hangUpAfterBytes = -1;
};

struct Config {
    std::string identifier = "AVRBOOT";
    std::uint8_t softwareMajor = 2, softwareMinor = 10;
    std::uint8_t firmwareMajor = 3, firmwareMinor = 57;
    std::array<std::uint8_t, 3> signature = {0x1E, 0x97, 0x02};
    std::uint8_t lockBits = 0xFF;
    std::uint8_t fuseLow = 0xE4, fuseHigh = 0x99, fuseExtended = 0xFF;
    bool blockSupport = true;
    std::uint16_t blockSize = 256;
    bool autoIncrement = true;

    // Power: switched on powerOnDelayMs after start, or, when powerOnAfterProbeMs
    // is >= 0, that long after the first probe byte arrives. Then the bootloader
    // listens for a probe for bootWindowMs before it starts the application
    // (a negative window: it listens until the next power cycle).
    int powerOnDelayMs = 0;
    int powerOnAfterProbeMs = -1;
    int bootWindowMs = 10000;

    // Deliver bytes at 115200 bit/s (11 bits a byte) and take the data sheet's
    // page write and erase times. The host's output is held back while the
    // line is still busy with what it sent before.
    bool pacing = false;

    // A USB serial adapter between the instrument and the host, holding bytes
    // on their way to the host (see UsbAdapter).
    AdapterKind adapter = AdapterKind::None;
    int latencyTimerMs = 16;

    std::string initialFlashFile;       // raw binary loaded from address 0
    // Where dumpMemories() writes the raw flash (128 KiB) and EEPROM (4 KiB); empty: not written.
    std::string flashDumpFile;
    std::string eepromDumpFile;
    Faults faults;
};

struct Counters {
    std::uint64_t bytesFromHost = 0;
    std::uint64_t bytesToHost = 0;
    std::uint64_t commands = 0;
    std::uint64_t pagesWritten = 0;
    std::uint64_t roundTrips = 0;       // host-to-instrument turnarounds: replies sent
    std::map<std::string, std::uint64_t> commandsByKind;   // by the kinds that faults name
    // Least time the exchange needs on a real line: both directions at
    // 115200 bit/s, 11 bits a byte, overlapping except where a host byte
    // follows a reply (it waits for the reply's end) and where a reply waits
    // for the chip's page write, erase or EEPROM write time.
    double leastWireSeconds = 0;
};

class Instrument {
public:
    // Opens a pseudo-terminal pair and serves it from a background thread.
    // Throws std::runtime_error when the pair cannot be opened or the initial
    // flash file cannot be read.
    explicit Instrument(Config config);
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    const std::string& devicePath() const;   // the slave side, for the tool
    void powerCycle();                        // off, then on as configured
    std::vector<std::uint8_t> flash() const;  // 128 KiB
    std::vector<std::uint8_t> eeprom() const; // 4 KiB
    Counters counters() const;
    bool inBootloader() const;

    void resetCounters();
    // Waits until the line has brought this many bytes from the host since the
    // counters began, or the limit has passed; true for the former.
    bool waitForBytesFromHost(std::uint64_t count, std::chrono::milliseconds limit) const;
    bool hungUp() const;                      // the hang-up fault has closed the line
    // Writes the dump files that the configuration names; throws std::runtime_error.
    void dumpMemories() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace sim
