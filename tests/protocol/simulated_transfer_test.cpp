// Whole-image writes and read-backs through a real serial port against the
// simulated instrument, on every transfer path.

#include "image/hex_file.h"
#include "link/serial_port.h"
#include "protocol/avr_bootloader.h"
#include "sim/instrument.h"
#include "tests/support/port_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t flashSize = 131072;
constexpr std::int32_t portNumber = 7;
constexpr std::uint32_t imageEnd = 81756; // the built-in image and one erased byte after it

struct Path {
    const char* name;
    bool blocks;
    std::uint16_t blockSize;
    bool autoIncrement;
    std::uint32_t start;
    std::uint32_t end;
};

class SimulatedTransfer : public ::testing::TestWithParam<Path> {
protected:
    static sim::Config configFor(const Path& path)
    {
        sim::Config config;
        config.blockSupport = path.blocks;
        config.blockSize = path.blockSize;
        config.autoIncrement = path.autoIncrement;
        config.bootWindowMs = -1;
        return config;
    }

    // The probe that keeps the instrument in its bootloader.
    void catchBootloader()
    {
        port.writeByte(']');
        port.writeByte('[');
        port.purgeTransmit();
        ASSERT_EQ(port.readByte(), 'B');
    }

    sim::Instrument instrument{configFor(GetParam())};
    ScopedPortMapping mapping{portNumber, instrument.devicePath()};
    SerialPort port{portNumber, 5};
};

// Where the first difference lies, or -1.
std::int64_t firstDifference(const std::vector<std::uint8_t>& expected, const std::vector<std::uint8_t>& actual)
{
    for (std::size_t address = 0; address < expected.size(); ++address)
        if (address >= actual.size() || expected[address] != actual[address])
            return static_cast<std::int64_t>(address);
    return -1;
}

// The erased chip after the write: the image over the range, 0xFF elsewhere.
std::vector<std::uint8_t> expectedFlash(const HEXFile& image)
{
    std::vector<std::uint8_t> flash(flashSize, 0xFF);
    for (std::uint32_t address = image.rangeStart(); address <= image.rangeEnd(); ++address)
        flash[address] = image.byteAt(address);
    return flash;
}

TEST_P(SimulatedTransfer, FlashHoldsTheImageAndReadsBackByteForByte)
{
    const Path& path = GetParam();
    port.openPort();
    catchBootloader();
    AVRBootloader loader(&port);
    loader.pageSize = 128;

    HEXFile image(flashSize, 255);
    image.limitRange(path.start, path.end);
    ASSERT_TRUE(loader.eraseChip());
    ASSERT_TRUE(loader.programFlash(image));
    EXPECT_EQ(firstDifference(expectedFlash(image), instrument.flash()), -1);

    HEXFile readBack(flashSize, 0);
    readBack.fillAll(0);
    readBack.limitRange(path.start, path.end);
    ASSERT_TRUE(loader.fetchFlash(readBack));
    std::int64_t mismatch = -1;
    for (std::uint32_t address = 0; address < flashSize && mismatch < 0; ++address) {
        const bool inRange = address >= path.start && address <= path.end;
        if (readBack.byteAt(address) != (inRange ? image.byteAt(address) : 0))
            mismatch = address;
    }
    EXPECT_EQ(mismatch, -1);
    port.closePort();
}

INSTANTIATE_TEST_SUITE_P(
    Instrument, SimulatedTransfer,
    ::testing::Values(Path{"BlocksWholeImage", true, 256, true, 0, imageEnd},
                      Path{"BlocksOddStartAndEnd", true, 256, true, 1, imageEnd - 1},
                      Path{"BlocksEvenStartOddEnd", true, 256, true, 2, imageEnd - 1},
                      Path{"SmallBlocksOddStartEvenEnd", true, 64, true, 129, imageEnd},
                      Path{"WordsWithAutoIncrementWholeImage", false, 256, true, 0, imageEnd},
                      Path{"WordsWithoutAutoIncrementWholeImage", false, 256, false, 0, imageEnd},
                      // Shorter ranges: every word of the byte path is a round trip.
                      Path{"WordsWithAutoIncrementOddStartAndEnd", false, 256, true, 1, 8191},
                      Path{"WordsWithoutAutoIncrementOddStartEvenEnd", false, 256, false, 127, 6000},
                      Path{"WordsWithoutAutoIncrementEvenStartOddEnd", false, 256, false, 256, 4095}),
    [](const ::testing::TestParamInfo<Path>& path) { return std::string(path.param.name); });

} // namespace
