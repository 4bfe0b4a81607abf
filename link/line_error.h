#pragma once

#include <system_error>

// What the receiver saw wrong on the line, where the driver tells it (on
// Windows, ClearCommError's flags). It travels as the cause of a read failure.
enum class LineError {
    breakReceived = 1, // the line held at space for longer than a byte
    framing,           // a byte without its stop bits: wrong speed, noise
    parity,
    overrun,           // the receiver lost a byte before the driver took it
    inputOverflow,     // the driver's input buffer was full and bytes were lost
};

const std::error_category& lineErrorCategory();
std::error_code lineErrorCode(LineError error);
bool isLineError(const std::error_code& code);
