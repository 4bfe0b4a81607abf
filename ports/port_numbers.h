#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The ports the tool can open: COM1 to COM10 on Linux, where the scan gives
// them their numbers; every number Windows hands out there, COM1 to COM256.
inline constexpr std::int32_t firstPortNumber = 1;
extern const std::int32_t lastPortNumber;

bool isPortNumber(std::int32_t number);

// The window's port buttons.
inline constexpr std::size_t portButtonCount = 10;

// The port that each button stands for, given the ports present (in any
// order): button n stands for COMn; where ports beyond the buttons' own
// numbers are present, each button whose own COMn is not present takes the
// next of them in ascending order. A machine whose ports all lie within the
// buttons' numbers sees button n on COMn throughout.
std::vector<std::int32_t> portButtonNumbers(std::vector<std::int32_t> present,
                                            std::size_t buttons = portButtonCount);
