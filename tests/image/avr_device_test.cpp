#include "common/general_exception.h"
#include "image/avr_device.h"

#include <gtest/gtest.h>

namespace {

TEST(AvrDevice, AnyPartNameLoadsTheAtmega128)
{
    for (const char* name : {"atmega128", "attiny13", ""}) {
        AVRDevice device(name);
        device.loadParameters();
        EXPECT_EQ(device.partName(), name);
        EXPECT_EQ(device.flashSize(), 131072);
        EXPECT_EQ(device.eepromSize(), 4096);
        EXPECT_EQ(device.pageSize(), 128);
        EXPECT_TRUE(device.hasFuseBits());
        EXPECT_TRUE(device.hasExtendedFuseBits());
        std::int32_t s0 = 0, s1 = 0, s2 = 0;
        device.copySignature(&s0, &s1, &s2);
        EXPECT_EQ(s0, 0x1E);
        EXPECT_EQ(s1, 0x97);
        EXPECT_EQ(s2, 0x02);
    }
}

TEST(AvrDevice, BeforeLoadingNothingIsKnown)
{
    AVRDevice device("atmega128");
    EXPECT_EQ(device.pageSize(), -1);
    EXPECT_EQ(device.flashSize(), 0);
    EXPECT_EQ(device.eepromSize(), 0);
}

TEST(AvrDevice, CopySignatureToNullCopiesNothing)
{
    AVRDevice device("atmega128");
    device.loadParameters();
    std::int32_t s0 = -7, s2 = -7;
    try {
        device.copySignature(&s0, nullptr, &s2);
        FAIL() << "no exception";
    } catch (const GeneralException& error) {
        EXPECT_STREQ(error.what(), "Неможливо скопіювати байти сигнатури в NULL вказівник!");
    }
    EXPECT_EQ(s0, -7);
    EXPECT_EQ(s2, -7);
}

} // namespace
