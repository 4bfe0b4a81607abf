#pragma once

// Sounds the given tone on this machine: Beep() on Windows; on Linux a real
// tone through the sound system where there is one, else the terminal bell.
// Never fails the caller.
void platformBeep(int frequencyHz, int durationMs);
