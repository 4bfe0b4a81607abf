#pragma once

// The steps of a run with the instrument. The session and the job announce
// them, both front ends show them and the service record names them, all in
// these words.
enum class RunStep {
    Handshake,      // catching the bootloader, the port's opening included
    Identifier,
    Versions,
    Signature,
    Confirmation,   // the question before an overwrite
    Program,        // the job: erase, write, read-back, compare
    Verify,         // the job without erase and write
    Erase,
    Write,
    ReadBack,
    Compare,
    Leave,
};

// The step's name in the service record: "handshake", "read-back", ...
const char* stepRecordName(RunStep step);

// The step as a technician reads it: "з'єднання", "читання", ...
const char* stepLabel(RunStep step);
