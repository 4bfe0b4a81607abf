#pragma once

// Opens each of standard input, output and error that the process was started
// without (a script's >&-) on the null device. Until then the next file opened,
// a serial port say, would take that number and receive the console's text.
// Call first thing in main. Nothing to do on Windows, whose handles are not
// reused that way.
void openMissingStandardStreams();
