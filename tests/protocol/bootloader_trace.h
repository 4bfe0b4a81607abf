#pragma once

// Expected wire traces of the bootloader's frames, for tests against the
// scripted channel, plus a small fixture.

#include "image/hex_file.h"
#include "protocol/avr_bootloader.h"
#include "tests/support/recording_frontend.h"
#include "tests/support/scripted_channel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace trace {

using Trace = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

inline std::uint8_t hi(int value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }
inline std::uint8_t lo(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

inline Trace writes(const Bytes& bytes)
{
    Trace calls;
    for (std::uint8_t byte : bytes)
        calls.push_back(ScriptedChannel::hex("w", byte));
    return calls;
}

inline Trace reads(int count) { return Trace(static_cast<std::size_t>(count), "r"); }

inline Trace setAddress(int address) { return frame({'A', hi(address), lo(address)}, 1); }
inline Trace low(std::uint8_t value) { return frame({'c', value}, 1); }
inline Trace high(std::uint8_t value) { return frame({'C', value}, 1); }
inline Trace page() { return frame({'m'}, 1); }
inline Trace blockQuery() { return frame({'b'}, 1); }
inline Trace blockQueryWithSize() { return frame({'b'}, 3); }
inline Trace autoIncrementQuery() { return frame({'a'}, 1); }
inline Trace wordRead() { return frame({'R'}, 2); }

// Commit after the word that ends just below 'next'.
inline Trace commit(int next)
{
    Trace calls = setAddress((next - 2) / 2);
    calls += page();
    calls += setAddress(next / 2);
    return calls;
}

// A flash block write: header, data, no purge, one reply.
inline Trace flashBlockWrite(const Bytes& data)
{
    const int count = static_cast<int>(data.size());
    Trace calls = writes({'B', hi(count), lo(count), 'F'});
    calls += writes(data);
    calls += reads(1);
    return calls;
}

inline Trace flashBlockRead(int count)
{
    Trace calls = writes({'g', hi(count), lo(count), 'F'});
    calls += reads(count);
    return calls;
}

// An EEPROM block write purges after every data byte, not after the header.
inline Trace eepromBlockWrite(const Bytes& data)
{
    const int count = static_cast<int>(data.size());
    Trace calls = writes({'B', hi(count), lo(count), 'E'});
    for (std::uint8_t byte : data) {
        calls += writes({byte});
        calls.push_back("pT");
    }
    calls += reads(1);
    return calls;
}

inline Trace eepromBlockRead(int count)
{
    Trace calls = writes({'g', hi(count), lo(count), 'E'});
    calls += reads(count);
    return calls;
}

} // namespace trace

// A byte that differs from its neighbours, from the 0xFF padding and from the
// 0xEE fill around the range.
inline std::uint8_t patternByte(std::uint32_t address) { return static_cast<std::uint8_t>(0x20 + address % 0x40); }

// A buffer filled with 0xEE, holding the pattern over [start, end].
inline std::unique_ptr<HEXFile> patternImage(std::int32_t size, std::uint32_t start, std::uint32_t end)
{
    auto image = std::make_unique<HEXFile>(size, 0xEE);
    image->fillAll(0xEE);
    for (std::uint32_t address = start; address <= end; ++address)
        image->storeByte(address, patternByte(address));
    image->limitRange(start, end);
    return image;
}

inline trace::Bytes patternBytes(std::uint32_t from, std::uint32_t to)
{
    trace::Bytes bytes;
    for (std::uint32_t address = from; address <= to; ++address)
        bytes.push_back(patternByte(address));
    return bytes;
}

class BootloaderTest : public ::testing::Test {
protected:
    // Everything the loader sent, compared call by call.
    ::testing::AssertionResult sent(const trace::Trace& expected) { return tracesEqual(expected, channel.trace); }

    std::vector<RecordingFrontend::Event> progressEvents() const
    {
        std::vector<RecordingFrontend::Event> progress;
        for (const auto& event : frontend.events)
            if (event.kind == RecordingFrontend::Event::Maximum || event.kind == RecordingFrontend::Event::Position)
                progress.push_back(event);
        return progress;
    }

    // Progress events as text: "max 7", "pos 8", ...
    std::vector<std::string> progressLog() const
    {
        std::vector<std::string> log;
        for (const auto& event : progressEvents())
            log.push_back((event.kind == RecordingFrontend::Event::Maximum ? "max " : "pos ") +
                          std::to_string(event.value));
        return log;
    }

    ScriptedChannel channel;
    RecordingFrontend frontend;
    AVRBootloader loader{&channel};
};

// Names the cases of a parameterised test after their 'name' member.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return info.param.name;
    }
};

// Runs 'operation' and expects it to raise exactly 'text' as the given type.
template <typename Expected, typename Operation>
::testing::AssertionResult raises(Operation operation, const std::string& text)
{
    try {
        operation();
    } catch (const Expected& error) {
        if (error.message() == text)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "message was \"" << error.message() << "\"\n expected \"" << text
                                             << "\"";
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure() << "other exception type: " << error.what();
    }
    return ::testing::AssertionFailure() << "nothing raised";
}
