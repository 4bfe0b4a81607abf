#pragma once

#include "image/hex_file.h"
#include "protocol/avr_programmer.h"
#include "tests/support/scripted_channel.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

// A programmer over a pretend chip: records every operation with its
// arguments, answers false to the operations named in 'unsupported', and moves
// image bytes to and from its own flash and EEPROM. Read-backs can be bent to
// return a wrong byte or to leave bytes of the buffer untouched.
class FakeProgrammer : public AVRProgrammer {
public:
    FakeProgrammer() : AVRProgrammer(&unusedChannel), flash(131072, 0xFF), eeprom(4096, 0xFF) {}

    std::vector<std::string> calls;
    std::set<std::string> unsupported;
    std::vector<std::uint8_t> flash;
    std::vector<std::uint8_t> eeprom;

    // The pageSize the programmer had when the flash write began.
    std::int32_t pageSizeAtProgramFlash = -2;
    // Flash read-back returns the inverted byte at this address.
    std::int64_t corruptFlashReadAt = -1;
    std::int64_t corruptEepromReadAt = -1;
    // Flash read-back stores only addresses for which this answers true.
    std::function<bool(std::uint32_t)> flashReadStores = [](std::uint32_t) { return true; };
    // Raised by the named operation instead of doing it.
    std::string failingOperation;
    std::function<void()> failure;

    std::int32_t signature[3] = {0x1E, 0x97, 0x02};

    bool beginProgramming() override { return answer("beginProgramming", "beginProgramming"); }
    bool endProgramming() override { return answer("endProgramming", "endProgramming"); }
    bool eraseChip() override
    {
        if (!answer("eraseChip", "eraseChip"))
            return false;
        std::fill(flash.begin(), flash.end(), 0xFF);
        return true;
    }
    bool readCalibrationByte(std::int32_t&) override { return answer("readCalibrationByte", "readCalibrationByte"); }
    bool getSignature(std::int32_t& byte0, std::int32_t& byte1, std::int32_t& byte2) override
    {
        if (!answer("getSignature", "getSignature"))
            return false;
        byte0 = signature[0];
        byte1 = signature[1];
        byte2 = signature[2];
        return true;
    }
    bool verifySignature(std::int32_t, std::int32_t, std::int32_t) override
    {
        return answer("verifySignature", "verifySignature");
    }
    bool putFlashByte(std::int32_t address, std::int32_t value) override
    {
        return answer("putFlashByte", "putFlashByte " + std::to_string(address) + " " + std::to_string(value));
    }
    bool putEepromByte(std::int32_t address, std::int32_t value) override
    {
        return answer("putEepromByte", "putEepromByte " + std::to_string(address) + " " + std::to_string(value));
    }
    bool programFlash(HEXFile& image) override
    {
        pageSizeAtProgramFlash = pageSize;
        if (!answer("programFlash", "programFlash " + range(image)))
            return false;
        for (std::uint32_t a = image.rangeStart(); a <= image.rangeEnd(); ++a)
            flash.at(a) = image.byteAt(a);
        return true;
    }
    bool fetchFlash(HEXFile& image) override
    {
        if (!answer("fetchFlash", "fetchFlash " + range(image)))
            return false;
        for (std::uint32_t a = image.rangeStart(); a <= image.rangeEnd(); ++a) {
            if (flashReadStores(a))
                image.storeByte(a, bent(flash.at(a), a, corruptFlashReadAt));
        }
        return true;
    }
    bool programEeprom(HEXFile& image) override
    {
        if (!answer("programEeprom", "programEeprom " + range(image)))
            return false;
        for (std::uint32_t a = image.rangeStart(); a <= image.rangeEnd(); ++a)
            eeprom.at(a) = image.byteAt(a);
        return true;
    }
    bool fetchEeprom(HEXFile& image) override
    {
        if (!answer("fetchEeprom", "fetchEeprom " + range(image)))
            return false;
        for (std::uint32_t a = image.rangeStart(); a <= image.rangeEnd(); ++a)
            image.storeByte(a, bent(eeprom.at(a), a, corruptEepromReadAt));
        return true;
    }
    bool setLockBits(std::int32_t value) override
    {
        return answer("setLockBits", "setLockBits " + std::to_string(value));
    }
    bool getLockBits(std::int32_t& value) override { return read("getLockBits", value, 0xFF); }
    bool setFuseBits(std::int32_t value) override
    {
        return answer("setFuseBits", "setFuseBits " + std::to_string(value));
    }
    bool getFuseBits(std::int32_t& value) override { return read("getFuseBits", value, 0x99E4); }
    bool setExtendedFuseBits(std::int32_t value) override
    {
        return answer("setExtendedFuseBits", "setExtendedFuseBits " + std::to_string(value));
    }
    bool getExtendedFuseBits(std::int32_t& value) override { return read("getExtendedFuseBits", value, 0xFF); }
    bool getSoftwareVersion(std::int32_t& first, std::int32_t& second) override
    {
        return read("getSoftwareVersion", first, '2') && ((second = '1'), true);
    }
    bool getHardwareVersion(std::int32_t& first, std::int32_t& second) override
    {
        return read("getHardwareVersion", first, '1') && ((second = '0'), true);
    }

private:
    bool answer(const std::string& name, const std::string& record)
    {
        calls.push_back(record);
        if (name == failingOperation && failure)
            failure();
        return unsupported.count(name) == 0;
    }
    bool read(const std::string& name, std::int32_t& value, std::int32_t chipValue)
    {
        if (!answer(name, name))
            return false;
        value = chipValue;
        return true;
    }
    static std::string range(const HEXFile& image)
    {
        return std::to_string(image.rangeStart()) + ".." + std::to_string(image.rangeEnd());
    }
    static std::uint8_t bent(std::uint8_t value, std::uint32_t address, std::int64_t corruptAt)
    {
        return address == corruptAt ? static_cast<std::uint8_t>(~value) : value;
    }

    ScriptedChannel unusedChannel;
};
