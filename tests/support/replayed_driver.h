#pragma once

// A serial driver and the line behind it, replayed in simulated time through
// the Windows seam, as real drivers behave on Windows: the native one, USB
// adapters that hold input back and report output queued, line errors, a
// peer's flow control, and Windows' own timer, whose ticks end every time-out
// and sleep. It is the link clock as well, so waits on the seconds clock pass
// as simulated time. Both are in use for the object's lifetime.

#include "link/line_timing.h"
#include "link/link_clock.h"
#include "link/win32_serial_calls.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace replay {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// How a driver shows what it does.
struct Driver {
    const char* name;
    // Input reaches the driver only at the next multiple of this (a USB
    // adapter's packets: FTDI's latency timer, a CDC device's 1 ms frame); 0: as
    // each byte's stop bit ends.
    microseconds inputPeriod{0};
    // A USB adapter completes a write as soon as it has the bytes and counts
    // them in cbOutQue until they have left; the native driver reports 0.
    bool countsOutput = false;
};

inline const Driver nativePort{"native port", microseconds(0), false};
inline const Driver ftdiAdapter{"FTDI, latency timer 16 ms", milliseconds(16), true};
inline const Driver cdcAdapter{"CDC adapter", milliseconds(1), true};

// Windows' timer: the default tick, or none (wine: about 1 ms, taken as exact).
inline constexpr microseconds windowsTick{15'625};

struct Counts {
    int readFile = 0;
    int readsTimedOut = 0;      // reads that ended on their time-out, not on the bytes
    int writeFile = 0;
    int clearCommError = 0;
    int setCommTimeouts = 0;
    int flushFileBuffers = 0;
    int purgeComm = 0;
    int sleep = 0;
};

// What the instrument answers to one byte from the host, and how long after
// that byte has arrived.
struct Answer {
    std::vector<std::uint8_t> bytes;
    microseconds after{50};
};
using Instrument = std::function<Answer(std::uint8_t)>;

class ReplayedDriver final : public Win32SerialCalls, public LinkClock {
public:
    ReplayedDriver(Driver kind, microseconds timerTick, Instrument answers, milliseconds intoSecond = milliseconds(300))
        : driver(kind), tick(timerTick), instrument(std::move(answers)), now(startOfDay + intoSecond), calls(*this),
          clock(*this)
    {
    }

    // The peer holds the output (CTS low): nothing written leaves the host.
    bool outputHeld = false;
    // The driver flags a framing error once this many bytes have come in (0: never).
    int framingErrorAfterBytes = 0;

    Counts counts;
    // What the port was given, call by call.
    std::vector<DCB> statesSet;
    std::vector<COMMTIMEOUTS> timeoutsSet;
    DWORD longestReadWait = 0;
    std::vector<std::uint8_t> receivedByInstrument;
    int discardedAtClose = 0;
    bool closed = false;
    bool purgedTransmit = false;

    // The line settings as the port had them before it was opened: none at
    // Windows' defaults, so that what is left as found shows.
    static DCB settingsFound()
    {
        DCB found{};
        found.DCBlength = sizeof found;
        found.BaudRate = CBR_9600;
        found.fParity = 1;
        found.fOutxCtsFlow = 1;
        found.fOutxDsrFlow = 1;
        found.fDtrControl = DTR_CONTROL_HANDSHAKE;
        found.fDsrSensitivity = 1;
        found.fTXContinueOnXoff = 1;
        found.fOutX = 1;
        found.fInX = 1;
        found.fRtsControl = RTS_CONTROL_TOGGLE;
        found.fAbortOnError = 1;
        found.XonLim = 512;
        found.XoffLim = 128;
        found.ByteSize = 7;
        found.Parity = EVENPARITY;
        found.StopBits = ONESTOPBIT;
        found.XonChar = 0x11;
        found.XoffChar = 0x13;
        found.ErrorChar = '?';
        found.EofChar = 0x1A;
        found.EvtChar = '\r';
        return found;
    }

    // The time-outs as the port had them before it was opened.
    static COMMTIMEOUTS timeoutsFound() { return {50, 10, 1000, 20, 3000}; }

    microseconds time() const { return now; }
    void advance(microseconds span) { now += span; }

    // Win32SerialCalls
    HANDLE createFile(const std::string&) override
    {
        closed = false;
        return portHandle;
    }
    bool getCommTimeouts(HANDLE, COMMTIMEOUTS& found) override
    {
        found = timeouts;
        return true;
    }
    bool setCommTimeouts(HANDLE, const COMMTIMEOUTS& wanted) override
    {
        ++counts.setCommTimeouts;
        timeoutsSet.push_back(wanted);
        timeouts = wanted;
        return true;
    }
    bool getCommState(HANDLE, DCB& found) override
    {
        found = line;
        return true;
    }
    bool setCommState(HANDLE, const DCB& wanted) override
    {
        statesSet.push_back(wanted);
        line = wanted;
        return true;
    }
    bool readFile(HANDLE, void* into, DWORD capacity, DWORD& got) override
    {
        ++counts.readFile;
        const bool immediate = timeouts.ReadIntervalTimeout == MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == 0 &&
                               timeouts.ReadTotalTimeoutConstant == 0;
        if (!immediate) {
            // Only 0/0/C: the form that returns once the bytes asked for are there.
            if (timeouts.ReadIntervalTimeout != 0 || timeouts.ReadTotalTimeoutMultiplier != 0 ||
                timeouts.ReadTotalTimeoutConstant == 0)
                return refuse(ERROR_INVALID_PARAMETER);
            longestReadWait = std::max(longestReadWait, timeouts.ReadTotalTimeoutConstant);
            const microseconds expiry = onTick(now + milliseconds(timeouts.ReadTotalTimeoutConstant));
            const std::size_t wanted = capacity;
            if (input.size() >= wanted && visibleAt(input[wanted - 1].arrives) <= expiry) {
                now = std::max(now, visibleAt(input[wanted - 1].arrives));
            } else {
                now = expiry;
                ++counts.readsTimedOut;
            }
        }
        got = 0;
        auto* bytes = static_cast<std::uint8_t*>(into);
        while (got < capacity && !input.empty() && visibleAt(input.front().arrives) <= now) {
            bytes[got++] = input.front().value;
            input.pop_front();
        }
        return true;
    }
    bool writeFile(HANDLE, const void* bytes, DWORD count, DWORD& written) override
    {
        ++counts.writeFile;
        const auto* data = static_cast<const std::uint8_t*>(bytes);
        if (outputHeld && !driver.countsOutput) {
            // The native driver keeps the request until the write time-out.
            now = onTick(now + milliseconds(timeouts.WriteTotalTimeoutMultiplier * count +
                                            timeouts.WriteTotalTimeoutConstant));
            written = 0;
            return true;
        }
        for (DWORD i = 0; i < count; ++i)
            output.push_back(data[i]);
        written = count;
        if (!outputHeld)
            sendOutput(output.size());
        return true;
    }
    bool clearCommError(HANDLE, DWORD& errors, COMSTAT& status) override
    {
        ++counts.clearCommError;
        settle();
        errors = std::exchange(pendingErrors, 0);
        status = {};
        status.fCtsHold = outputHeld ? 1 : 0;
        status.cbInQue = static_cast<DWORD>(
            std::count_if(input.begin(), input.end(), [&](const Byte& b) { return visibleAt(b.arrives) <= now; }));
        status.cbOutQue = driver.countsOutput ? static_cast<DWORD>(output.size() + unsentNow()) : 0;
        return true;
    }
    bool purgeComm(HANDLE, DWORD flags) override
    {
        ++counts.purgeComm;
        if ((flags & (PURGE_TXCLEAR | PURGE_TXABORT)) != 0)
            purgedTransmit = true;
        if ((flags & PURGE_RXCLEAR) != 0)
            std::erase_if(input, [&](const Byte& b) { return visibleAt(b.arrives) <= now; });
        return true;
    }
    bool closeHandle(HANDLE) override
    {
        // What the adapter still holds is lost with the handle.
        discardedAtClose = static_cast<int>(output.size()) + (driver.countsOutput ? unsentNow() : 0);
        closed = true;
        return true;
    }
    void sleep(DWORD length) override
    {
        ++counts.sleep;
        now = onTick(now + milliseconds(length));
    }
    DWORD lastError() override { return error; }

    // LinkClock
    std::time_t seconds() override
    {
        return static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
    }
    void pause(milliseconds length) override { now += length; }
    milliseconds inputWait(milliseconds longest) override
    {
        const auto intoSecond = std::chrono::duration_cast<milliseconds>(now % std::chrono::seconds(1));
        return std::min(longest, milliseconds(1000) - intoSecond + milliseconds(5));
    }
    std::chrono::microseconds steadyTime() override { return now; }

private:
    struct Byte {
        std::uint8_t value;
        microseconds arrives;
    };

    static constexpr microseconds startOfDay{1'700'000'000'000'000};
    static inline const HANDLE portHandle = reinterpret_cast<HANDLE>(0x5e71);
    static constexpr microseconds byteTime = std::chrono::duration_cast<microseconds>(byteOnLine);

    bool refuse(DWORD code)
    {
        error = code;
        return false;
    }

    // A time-out or a sleep ends on a tick of Windows' timer, never before its time.
    microseconds onTick(microseconds due) const
    {
        if (tick.count() == 0)
            return due;
        return (due + tick - microseconds(1)) / tick * tick;
    }

    microseconds visibleAt(microseconds arrival) const
    {
        if (driver.inputPeriod.count() == 0)
            return arrival;
        return (arrival + driver.inputPeriod - microseconds(1)) / driver.inputPeriod * driver.inputPeriod;
    }

    // Puts the first 'count' bytes of the output on the line, and the
    // instrument's answers on the way back.
    void sendOutput(std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t value = output.front();
            output.pop_front();
            lineFree = std::max(lineFree, now) + byteTime;
            sentTimes.push_back(lineFree);
            receivedByInstrument.push_back(value);
            Answer answer = instrument(value);
            microseconds start = std::max(answerFree, lineFree + answer.after);
            for (std::uint8_t reply : answer.bytes) {
                start += byteTime;
                input.push_back({reply, start});
                if (framingErrorAfterBytes > 0 && ++bytesFromInstrument == framingErrorAfterBytes)
                    errorAt = start;
            }
            answerFree = start;
        }
    }

    // Bytes handed to the line that have not left it yet.
    int unsentNow()
    {
        while (!sentTimes.empty() && sentTimes.front() <= now)
            sentTimes.pop_front();
        return static_cast<int>(sentTimes.size());
    }

    void settle()
    {
        if (!outputHeld && !output.empty())
            sendOutput(output.size());
        if (errorAt.count() != 0 && visibleAt(errorAt) <= now) {
            pendingErrors |= CE_FRAME;
            errorAt = microseconds(0);
        }
    }

    Driver driver;
    microseconds tick;
    Instrument instrument;
    microseconds now;
    COMMTIMEOUTS timeouts = timeoutsFound();
    DCB line = settingsFound();
    DWORD error = 0;
    DWORD pendingErrors = 0;
    std::deque<std::uint8_t> output;            // held by the driver, not yet on the line
    std::deque<microseconds> sentTimes;         // when each byte on the line leaves it
    std::deque<Byte> input;
    microseconds lineFree{0};
    microseconds answerFree{0};
    int bytesFromInstrument = 0;
    microseconds errorAt{0};
    ScopedWin32SerialCalls calls;
    ScopedLinkClock clock;
};

} // namespace replay
