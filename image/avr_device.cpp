#include "image/avr_device.h"

#include "common/general_exception.h"

#include <utility>

AVRDevice::AVRDevice(std::string partName) : name(std::move(partName)) {}

// Whatever the part name, the target is the instrument's ATmega128.
void AVRDevice::loadParameters()
{
    flashBytes = 0x20000;
    eepromBytes = 0x1000;
    fuseBits = true;
    extendedFuseBits = true;
    signature0 = 0x1E;
    signature1 = 0x97;
    signature2 = 0x02;
    pageBytes = 128;
}

void AVRDevice::copySignature(std::int32_t* byte0, std::int32_t* byte1, std::int32_t* byte2) const
{
    if (!byte0 || !byte1 || !byte2)
        throw GeneralException("Неможливо скопіювати байти сигнатури в NULL вказівник!");
    *byte0 = signature0;
    *byte1 = signature1;
    *byte2 = signature2;
}
