#pragma once

#include "ports/resolved_port.h"

#include <cstdint>
#include <string>

class AVRProgrammer;
class AVRDevice;
class CommChannel;

// The settings of one programming run and the run itself. Integer settings use
// -1 for "not set". Meant for one run: runJob writes portNumber and the ranges
// it actually used back into the settings.
class JobInfo {
public:
    JobInfo() = default;

    // Opens COM<portNumber>, checks the chip, erases, programs and verifies as
    // configured, and closes everything again on every path. Failures leave as
    // GeneralException (or a subclass) with the user's message.
    void runJob(std::int32_t portNumber);
    // The same on the port that the front end resolved.
    void runJob(const ResolvedPort& port);
    // The same on a channel that the caller has opened; it stays open.
    void runJob(CommChannel& channel);

    void checkIdentity(AVRProgrammer& programmer);
    void runDeviceSteps(AVRProgrammer& programmer, AVRDevice& device);

    bool signatureRead = true;
    bool chipErase = true;
    bool hardwareVersionRead = false;
    bool softwareVersionRead = false;
    bool flashProgram = true;
    bool eepromProgram = false;
    bool flashVerify = true;
    bool eepromVerify = false;
    bool lockBitsRead = false;
    bool fuseBitsRead = false;

    std::string partName = "atmega128";
    std::string flashInputFile = "Veltor_V3_34.hex";
    std::string eepromInputFile = "input_EEPROM";

    std::int32_t osccalValue = -1;
    std::int32_t osccalFlashAddress = -1;
    std::int32_t osccalEepromAddress = -1;
    std::int32_t lockBits = -1;
    std::int32_t fuseBits = -1;
    std::int32_t extendedFuseBits = -1;
    std::int32_t fillValue = -1;
    std::int32_t flashStart = -1;
    std::int32_t flashEnd = -1;
    std::int32_t eepromStart = -1;
    std::int32_t eepromEnd = -1;
    std::int32_t portNumber = -1;
};
