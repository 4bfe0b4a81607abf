#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>

// What kind of failure an exception reports; a front end treats failures by it.
enum class FailureKind { General, Port, Timeout, Reply, Verification, ImageDamaged, Interrupted };

// The one exception type that carries every failure of the tool. The message is
// the text the user sees (UTF-8). Subclasses only tell front ends the kind of
// failure, which kind() names; whoever catches GeneralException gets them all.
// Where the operating system refused something, its error travels beside the
// message as the cause (errno in the generic category, GetLastError in the
// system category), so that a front end can explain it without asking the
// system again.
class GeneralException : public std::runtime_error {
public:
    explicit GeneralException(const std::string& message, std::error_code cause = {})
        : std::runtime_error(message), osError(cause)
    {
    }
    std::string message() const { return what(); }
    virtual FailureKind kind() const noexcept { return FailureKind::General; }
    // The operating system's error behind the failure; empty when there is none.
    const std::error_code& cause() const { return osError; }

private:
    std::error_code osError;
};

// The port could not be opened, configured, read, written, purged or closed.
class PortException : public GeneralException {
public:
    using GeneralException::GeneralException;
    FailureKind kind() const noexcept override { return FailureKind::Port; }
};

// A reply did not arrive in time.
class TimeoutException : public GeneralException {
public:
    using GeneralException::GeneralException;
    FailureKind kind() const noexcept override { return FailureKind::Timeout; }
};

// The instrument answered, but not as it should (no 'B' to the probe, no CR,
// a foreign signature, ...).
class ReplyException : public GeneralException {
public:
    using GeneralException::GeneralException;
    FailureKind kind() const noexcept override { return FailureKind::Reply; }
};

// The flash or EEPROM read back differs from what was written.
class VerificationException : public GeneralException {
public:
    VerificationException(const std::string& message, std::uint32_t address)
        : GeneralException(message), mismatchAddress(address) {}
    std::uint32_t address() const { return mismatchAddress; }
    FailureKind kind() const noexcept override { return FailureKind::Verification; }

private:
    std::uint32_t mismatchAddress;
};

// The firmware image built into the tool is not the one the build embedded:
// its bytes no longer match the digest computed then.
class ImageDamagedException : public GeneralException {
public:
    using GeneralException::GeneralException;
    FailureKind kind() const noexcept override { return FailureKind::ImageDamaged; }
};
