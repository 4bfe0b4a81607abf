#pragma once

#include <cstdint>

class CommChannel;
class HEXFile;

// The abstract programmer that the job drives. Every operation answers true when
// done and false when this programmer does not support it (then it sends nothing
// and leaves its out-values alone); a supported operation that fails raises.
class AVRProgrammer {
public:
    // Raises for a null channel. The channel is borrowed, never opened or closed.
    explicit AVRProgrammer(CommChannel* channel);
    virtual ~AVRProgrammer();
    AVRProgrammer(const AVRProgrammer&) = delete;
    AVRProgrammer& operator=(const AVRProgrammer&) = delete;

    virtual bool beginProgramming() = 0;
    virtual bool endProgramming() = 0;
    virtual bool eraseChip() = 0;
    virtual bool readCalibrationByte(std::int32_t& value) = 0;
    virtual bool getSignature(std::int32_t& byte0, std::int32_t& byte1, std::int32_t& byte2) = 0;
    virtual bool verifySignature(std::int32_t byte0, std::int32_t byte1, std::int32_t byte2) = 0;
    virtual bool putFlashByte(std::int32_t address, std::int32_t value) = 0;
    virtual bool putEepromByte(std::int32_t address, std::int32_t value) = 0;
    virtual bool programFlash(HEXFile& image) = 0;
    virtual bool fetchFlash(HEXFile& image) = 0;
    virtual bool programEeprom(HEXFile& image) = 0;
    virtual bool fetchEeprom(HEXFile& image) = 0;
    virtual bool setLockBits(std::int32_t value) = 0;
    virtual bool getLockBits(std::int32_t& value) = 0;
    virtual bool setFuseBits(std::int32_t value) = 0;
    virtual bool getFuseBits(std::int32_t& value) = 0;
    virtual bool setExtendedFuseBits(std::int32_t value) = 0;
    virtual bool getExtendedFuseBits(std::int32_t& value) = 0;
    virtual bool getSoftwareVersion(std::int32_t& first, std::int32_t& second) = 0;
    virtual bool getHardwareVersion(std::int32_t& first, std::int32_t& second) = 0;

    // Flash page length in bytes; -1 until the owner sets it.
    std::int32_t pageSize;

protected:
    CommChannel& channel;
};
