#pragma once

// Sounds the given tone on this machine: Beep() on Windows; on Linux through
// the desktop's sound server, and nothing where there is none. Returns once
// the tone has played or, where the sound system does not answer, after a
// bounded wait; never fails the caller.
void platformBeep(int frequencyHz, int durationMs);
