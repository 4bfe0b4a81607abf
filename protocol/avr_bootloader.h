#pragma once

#include "protocol/avr_programmer.h"

// The programmer that speaks the instrument's self-programming bootloader
// protocol of one-letter commands.
class AVRBootloader : public AVRProgrammer {
public:
    explicit AVRBootloader(CommChannel* channel);
    ~AVRBootloader() override;

    bool beginProgramming() override;
    bool endProgramming() override;
    bool eraseChip() override;
    bool readCalibrationByte(std::int32_t& value) override;
    bool getSignature(std::int32_t& byte0, std::int32_t& byte1, std::int32_t& byte2) override;
    bool verifySignature(std::int32_t byte0, std::int32_t byte1, std::int32_t byte2) override;
    bool putFlashByte(std::int32_t address, std::int32_t value) override;
    bool putEepromByte(std::int32_t address, std::int32_t value) override;
    bool programFlash(HEXFile& image) override;
    bool fetchFlash(HEXFile& image) override;
    bool programEeprom(HEXFile& image) override;
    bool fetchEeprom(HEXFile& image) override;
    bool setLockBits(std::int32_t value) override;
    bool getLockBits(std::int32_t& value) override;
    bool setFuseBits(std::int32_t value) override;
    bool getFuseBits(std::int32_t& value) override;
    bool setExtendedFuseBits(std::int32_t value) override;
    bool getExtendedFuseBits(std::int32_t& value) override;
    bool getSoftwareVersion(std::int32_t& first, std::int32_t& second) override;
    bool getHardwareVersion(std::int32_t& first, std::int32_t& second) override;

    // Word address for flash, byte address for EEPROM; low 16 bits on the wire.
    virtual void setAddress(std::int32_t address);
    virtual void writeLowByte(std::int32_t value);
    virtual void writeHighByte(std::int32_t value);
    virtual void writePage();

    // Entered right after the bootloader has answered 'Y' to 'b'.
    virtual bool programFlashBlock(HEXFile& image);
    virtual bool fetchFlashBlock(HEXFile& image);
    virtual bool programEepromBlock(HEXFile& image);
    virtual bool fetchEepromBlock(HEXFile& image);
};
