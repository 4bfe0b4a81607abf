#pragma once

#include <string>

// Where --report puts the service record. The place is checked before the run
// talks to the instrument, so that a record that could not be written never
// turns up only after the instrument was programmed; the record then goes into
// a temporary file beside it, flushed to the disk and renamed over the old
// one, so that a reader sees the earlier record whole or this one whole, never
// a mixture, and never an earlier success in place of this run's.

// Why the record cannot go to 'path' (the text shown to the user), or empty
// when it can. portDevice is the device of the run's port, which must never be
// written to.
std::string recordPathProblem(const std::string& path, const std::string& portDevice);

// Writes the record; on failure returns false with the reason in 'problem' and
// leaves whatever was at 'path' as it was.
bool writeRecordFile(const std::string& path, const std::string& text, std::string& problem);
