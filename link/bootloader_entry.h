#pragma once

#include <cstdint>
#include <string>

class CommChannel;

// Probes the line with ']' '[' while the instrument is switched on, waits for its
// 'B', then asks 'S' and returns the seven identifier bytes as received. Gives up
// 5 to 6 seconds after the start: closes the channel and raises. Drives the
// progress bar (maximum 5, whole seconds elapsed).
std::string enterBootloader(CommChannel* channel);

// 'V' and 'v': major × 100 + minor, with the bootloader's minor normalised.
std::int32_t querySoftwareVersion(CommChannel* channel);
std::int32_t queryFirmwareVersion(CommChannel* channel);

// The normalisation applied to the two version bytes (exposed for tests).
std::int32_t versionNumber(std::uint8_t major, std::uint8_t minor);
