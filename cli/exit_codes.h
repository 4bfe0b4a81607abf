#pragma once

// What the process tells a calling script. Documented in --help and docs/cli.md;
// scripts depend on these numbers, so never renumber them.
enum class ExitCode : int {
    Success = 0,
    OtherFailure = 1,
    UsageError = 2,
    PortFailure = 3,          // no port given, no such port, or the port failed
    NotAnswering = 4,         // no answer, a wrong answer or a foreign identifier
    VerificationFailed = 5,   // the flash read back differs from the image
    Declined = 6,             // the user (or a missing terminal) declined the overwrite
    ImageDamaged = 7,         // the built-in image does not match its build's digest: nothing was sent
    Interrupted = 130,        // Ctrl-C, SIGTERM or SIGHUP stopped the run (as a shell reports SIGINT)
};

inline int toInt(ExitCode code)
{
    return static_cast<int>(code);
}
