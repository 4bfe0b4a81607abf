#pragma once

#include "common/general_exception.h"
#include "link/comm_channel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

// A CommChannel for protocol tests. It records every call as a compact trace
// and answers reads from a queue of scripted reply bytes. A read with nothing
// scripted raises the channel's time-out message at once, as a silent
// instrument would after its wait.
//
// Trace notation: "w41" writeByte 0x41, "W[01 02]" writeBlock, "pT" purgeTransmit,
// "pR" purgeReceive, "r" readByte, "p" pollByte, "open", "close".
class ScriptedChannel : public CommChannel {
public:
    void openPort() override { log("open"); }
    void closePort() override { log("close"); closed = true; }
    void writeByte(int value) override
    {
        log(hex("w", static_cast<std::uint8_t>(value)));
        sent.push_back(static_cast<std::uint8_t>(value));
    }
    std::uint8_t readByte() override
    {
        log("r");
        if (replies.empty())
            throw TimeoutException("Таймаут протягом операції читання з COM порту!");
        std::uint8_t byte = replies.front();
        replies.pop_front();
        return byte;
    }
    std::uint8_t pollByte(std::time_t) override
    {
        log("p");
        if (replies.empty())
            return 0;
        std::uint8_t byte = replies.front();
        replies.pop_front();
        return byte;
    }
    void purgeTransmit() override { log("pT"); }
    void purgeReceive() override
    {
        log("pR");
        if (purgeReceiveDiscards)
            replies.clear();
    }
    void writeBlock(const std::uint8_t* bytes, std::int32_t count) override
    {
        std::string entry = "W[";
        for (std::int32_t i = 0; i < count; ++i) {
            entry += hex(i ? " " : "", bytes[i]);
            sent.push_back(bytes[i]);
        }
        log(entry + "]");
    }

    void expectStream(std::int32_t count) override { announcedStreams.push_back(count); }

    void reply(std::initializer_list<std::uint8_t> bytes) { replies.insert(replies.end(), bytes); }
    void reply(const std::vector<std::uint8_t>& bytes) { replies.insert(replies.end(), bytes.begin(), bytes.end()); }
    void replyCr(int count = 1) { replies.insert(replies.end(), count, 13); }

    // Only the bytes written, in order.
    std::vector<std::uint8_t> sent;
    // Every call, in order.
    std::vector<std::string> trace;
    // The counts of the streams announced before reading, in order.
    std::vector<std::int32_t> announcedStreams;
    std::deque<std::uint8_t> replies;
    bool purgeReceiveDiscards = true;
    bool closed = false;

    static std::string hex(const char* prefix, std::uint8_t value)
    {
        char text[8];
        std::snprintf(text, sizeof text, "%s%02X", prefix, value);
        return text;
    }

private:
    void log(const std::string& entry) { trace.push_back(entry); }
};

// Compares two traces call by call; on a mismatch prints both side by side
// from a little before the first difference.
inline ::testing::AssertionResult tracesEqual(const std::vector<std::string>& expected,
                                              const std::vector<std::string>& actual)
{
    std::size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first])
        ++first;
    if (first == expected.size() && first == actual.size())
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << "traces differ at call " << first << " (expected " << expected.size() << " calls, got "
            << actual.size() << ")\n  #    expected  actual\n";
    std::size_t from = first > 8 ? first - 8 : 0;
    for (std::size_t i = from; i < first + 8 && (i < expected.size() || i < actual.size()); ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%c %-4zu %-9s %s\n", i == first ? '>' : ' ', i,
                      i < expected.size() ? expected[i].c_str() : "-", i < actual.size() ? actual[i].c_str() : "-");
        failure << line;
    }
    return failure;
}

// Builds an expected trace from frames: frame({'A', 0x00, 0x80}, 1) gives the
// writes, a purge and one read per reply byte.
inline std::vector<std::string> frame(std::initializer_list<std::uint8_t> bytes, int replyBytes, bool purge = true)
{
    std::vector<std::string> calls;
    for (std::uint8_t byte : bytes)
        calls.push_back(ScriptedChannel::hex("w", byte));
    if (purge)
        calls.push_back("pT");
    for (int i = 0; i < replyBytes; ++i)
        calls.push_back("r");
    return calls;
}

inline std::vector<std::string>& operator+=(std::vector<std::string>& trace, const std::vector<std::string>& more)
{
    trace.insert(trace.end(), more.begin(), more.end());
    return trace;
}
