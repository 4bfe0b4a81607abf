#pragma once

#include <cstdint>
#include <string>

// The target microcontroller: always the ATmega128's parameters once loaded,
// whatever part name it was created with.
class AVRDevice {
public:
    explicit AVRDevice(std::string partName);

    void loadParameters();
    // Raises, copying nothing, if any destination is null.
    void copySignature(std::int32_t* byte0, std::int32_t* byte1, std::int32_t* byte2) const;

    const std::string& partName() const { return name; }
    std::int32_t flashSize() const { return flashBytes; }
    std::int32_t eepromSize() const { return eepromBytes; }
    bool hasFuseBits() const { return fuseBits; }
    bool hasExtendedFuseBits() const { return extendedFuseBits; }
    std::int32_t pageSize() const { return pageBytes; }

private:
    std::string name;
    std::int32_t flashBytes = 0;
    std::int32_t eepromBytes = 0;
    bool fuseBits = false;
    bool extendedFuseBits = false;
    std::int32_t signature0 = 0;
    std::int32_t signature1 = 0;
    std::int32_t signature2 = 0;
    std::int32_t pageBytes = -1;
};
