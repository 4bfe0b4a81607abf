#include "desktop/beep.h"

#include <windows.h>

void platformBeep(int frequencyHz, int durationMs)
{
    if (frequencyHz <= 0 || durationMs <= 0)
        return;
    // Beep reports a failure (no speaker, frequency out of its range) only
    // through its result, which a tone that could not sound may ignore.
    Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(durationMs));
}
