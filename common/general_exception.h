#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The one exception type that carries every failure of the tool. The message is
// the text the user sees (UTF-8). Subclasses only tell front ends the cause;
// whoever catches GeneralException gets them all.
class GeneralException : public std::runtime_error {
public:
    explicit GeneralException(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};

// The port could not be opened, configured, read, written, purged or closed.
class PortException : public GeneralException {
public:
    using GeneralException::GeneralException;
};

// A reply did not arrive in time.
class TimeoutException : public GeneralException {
public:
    using GeneralException::GeneralException;
};

// The instrument answered, but not as it should (no 'B' to the probe, no CR,
// a foreign signature, ...).
class ReplyException : public GeneralException {
public:
    using GeneralException::GeneralException;
};

// The flash or EEPROM read back differs from what was written.
class VerificationException : public GeneralException {
public:
    VerificationException(const std::string& message, std::uint32_t address)
        : GeneralException(message), mismatchAddress(address) {}
    std::uint32_t address() const { return mismatchAddress; }

private:
    std::uint32_t mismatchAddress;
};
