#pragma once

#include "sim/chip.h"
#include "sim/instrument.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

// The bootloader program that runs in the chip's boot section: it waits for
// the probe, then answers one-letter commands. It knows nothing of time or of
// the line; the instrument feeds it complete frames and sends what it answers.
namespace sim {

// Data sheet times the chip is busy for.
constexpr double pageWriteSeconds = 0.0045;
constexpr double pageEraseSeconds = 0.0045;
constexpr double eepromWriteSeconds = 0.0085;

struct Action {
    std::vector<std::uint8_t> reply;
    double busySeconds = 0;        // the chip works this long before it replies
    std::uint32_t pagesWritten = 0;
    bool isCommand = false;        // counts as a command (bare probe bytes do not)
    std::string kind;              // of a command, as faults name it
};

class Bootloader {
public:
    enum class Mode { Listening, Active, Application };

    Bootloader(const Config& config, Chip& chip);

    // Restarts the program after power-on: listening for the probe.
    void reset();
    // The boot window ran out: the application runs and the bootloader is gone.
    void startApplication() { currentMode = Mode::Application; }
    Mode mode() const { return currentMode; }

    // Bytes the command at the front of 'input' takes; 0 while it is incomplete.
    std::size_t frameLength(std::span<const std::uint8_t> input) const;
    // Carries out one complete frame as frameLength delimited it.
    Action execute(std::span<const std::uint8_t> frame);

private:
    Action listen(std::uint8_t byte);
    Action probeAnswer();
    Action command(std::span<const std::uint8_t> frame);
    Action blockWrite(std::uint16_t count, std::uint8_t memory, std::span<const std::uint8_t> data);
    Action blockRead(std::uint16_t count, std::uint8_t memory);
    Action writeFlashPage();
    std::uint8_t readFlash(std::uint32_t byteAddress) const;
    void advance(std::uint16_t words);
    bool blockHeaderAccepted(std::span<const std::uint8_t> header) const;
    void applyReplyFaults(const std::string& kind, Action& action);

    const Config& config;
    Chip& chip;
    Mode currentMode = Mode::Listening;
    std::uint16_t address = 0;      // word address for flash, byte address for EEPROM
    std::uint8_t lowByte = 0xFF;    // from 'c', waiting for its 'C'
    bool probeOpened = false;       // a ']' has come; '[' completes the probe
    bool probeAnswered = false;     // since power-on
    std::map<std::string, int> commandCounts;
};

} // namespace sim
