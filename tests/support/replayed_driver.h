#pragma once

// A serial driver and the line behind it, replayed in simulated time through
// the Windows seam, as the drivers of a technician's laptop behave on Windows:
// the native 16550 port and USB serial adapters, line errors, a peer's flow
// control, and Windows' own timer, whose ticks end every time-out and sleep.
// It is the link clock as well, so waits on the seconds clock pass as
// simulated time. Both are in use for the object's lifetime.
//
// Writes: the native driver completes a synchronous write once all but the
// transmitter FIFO's 16 bytes have left, so its writes are paced by the line.
// A USB adapter completes it with its USB transfer at the next 1 ms frame;
// the bytes then leave at line speed.
// Replies: a 16550 raises its receive interrupt at 14 bytes, and for fewer
// once no byte has come for four characters (about 0.4 ms). FTDI sends 62
// bytes a packet, and what waits when its latency timer runs out; the timer
// runs on its own and starts again with every packet. CP210x, CH340, PL2303
// and CDC hand over what they have with the next 1 ms frame.

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
using std::chrono::nanoseconds;

// When a synchronous WriteFile returns.
enum class WriteCompletion {
    transmitterFifo, // once the bytes not yet on the line fit the 16-byte FIFO
    nextUsbFrame,    // at the next 1 ms USB frame
};

// How the bytes of a reply reach the host.
enum class Delivery {
    characterTimeout, // 14 at a time, the rest four characters after the last
    latencyTimer,     // 62 at a time, the rest when the latency timer runs out
    usbFrame,         // with the next 1 ms USB frame
};

struct Driver {
    const char* name;
    WriteCompletion writes;
    Delivery delivers;
    milliseconds latencyTimer{0};
    // cbOutQue: a USB adapter counts the bytes until they have left; the
    // native driver counts write requests, none after a synchronous write.
    bool countsOutput = false;
};

inline const Driver nativePort{.name = "native 16550 port",
                               .writes = WriteCompletion::transmitterFifo,
                               .delivers = Delivery::characterTimeout};
inline const Driver ftdiAdapter{.name = "FTDI, latency timer 16 ms",
                                .writes = WriteCompletion::nextUsbFrame,
                                .delivers = Delivery::latencyTimer,
                                .latencyTimer = milliseconds(16),
                                .countsOutput = true};
inline const Driver ftdiAdapterAt1ms{.name = "FTDI, latency timer 1 ms",
                                     .writes = WriteCompletion::nextUsbFrame,
                                     .delivers = Delivery::latencyTimer,
                                     .latencyTimer = milliseconds(1),
                                     .countsOutput = true};
inline const Driver usbFrameAdapter{.name = "CP210x / CH340 / PL2303",
                                    .writes = WriteCompletion::nextUsbFrame,
                                    .delivers = Delivery::usbFrame,
                                    .countsOutput = true};
inline const Driver cdcAdapter{.name = "CDC, full speed",
                               .writes = WriteCompletion::nextUsbFrame,
                               .delivers = Delivery::usbFrame,
                               .countsOutput = true};
inline const Driver* const allDrivers[] = {&nativePort, &ftdiAdapter, &ftdiAdapterAt1ms, &usbFrameAdapter,
                                           &cdcAdapter};

// Windows' timer: the default tick, or none (wine: about 1 ms, taken as exact).
inline constexpr microseconds windowsTick{15'625};

struct Counts {
    int readFile = 0;
    int readsTimedOut = 0;      // reads that ended on their time-out, not on the bytes
    int writeFile = 0;
    int clearCommError = 0;
    int setCommTimeouts = 0;
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
    // The link's own pauses (the handshake's), in the time that passed.
    milliseconds paused{0};

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

    microseconds time() const { return std::chrono::duration_cast<microseconds>(now); }
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
            const nanoseconds expiry = onTick(now + milliseconds(timeouts.ReadTotalTimeoutConstant));
            const std::size_t wanted = capacity;
            if (input.size() >= wanted && input[wanted - 1].visible <= expiry) {
                now = std::max(now, input[wanted - 1].visible);
            } else {
                now = expiry;
                ++counts.readsTimedOut;
            }
        }
        noteLineErrors();
        got = 0;
        auto* bytes = static_cast<std::uint8_t*>(into);
        while (got < capacity && !input.empty() && input.front().visible <= now) {
            bytes[got++] = input.front().value;
            input.pop_front();
        }
        return true;
    }
    bool writeFile(HANDLE, const void* bytes, DWORD count, DWORD& written) override
    {
        ++counts.writeFile;
        const bool native = driver.writes == WriteCompletion::transmitterFifo;
        if (outputHeld && native) {
            // The native driver keeps the request until the write time-out.
            now = onTick(now + milliseconds(timeouts.WriteTotalTimeoutMultiplier * count +
                                            timeouts.WriteTotalTimeoutConstant));
            written = 0;
            return true;
        }
        if (!native)
            now = nextUsbFrame(now); // the adapter has the bytes once its USB transfer is done
        const auto* data = static_cast<const std::uint8_t*>(bytes);
        output.insert(output.end(), data, data + count);
        written = count;
        if (!outputHeld)
            sendOutput(output.size());
        if (native)
            now = std::max(now, transmitterFifoTakesTheRest());
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
            std::count_if(input.begin(), input.end(), [&](const Byte& b) { return b.visible <= now; }));
        status.cbOutQue = driver.countsOutput ? static_cast<DWORD>(output.size() + unsentNow()) : 0;
        return true;
    }
    bool purgeComm(HANDLE, DWORD flags) override
    {
        ++counts.purgeComm;
        if ((flags & (PURGE_TXCLEAR | PURGE_TXABORT)) != 0)
            purgedTransmit = true;
        if ((flags & PURGE_RXCLEAR) != 0) {
            noteLineErrors();
            std::erase_if(input, [&](const Byte& b) { return b.visible <= now; });
        }
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
    void pause(milliseconds length) override
    {
        now += length;
        paused += length;
    }
    milliseconds inputWait(milliseconds longest) override
    {
        const auto intoSecond = std::chrono::duration_cast<milliseconds>(now % std::chrono::seconds(1));
        return std::min(longest, milliseconds(1000) - intoSecond + milliseconds(5));
    }
    microseconds steadyTime() override { return time(); }

private:
    struct Byte {
        std::uint8_t value;
        nanoseconds visible; // when the driver has it for a read
        bool framingError;
    };

    static constexpr nanoseconds startOfDay{1'700'000'000'000'000'000};
    static inline const HANDLE portHandle = reinterpret_cast<HANDLE>(0x5e71);
    static constexpr std::size_t transmitterFifoBytes = 16;
    static constexpr int receiveTriggerBytes = 14;
    static constexpr int ftdiPacketBytes = 62;
    static constexpr nanoseconds usbFrame = milliseconds(1);
    static constexpr nanoseconds characterTimeout = 4 * byteOnLine;

    bool refuse(DWORD code)
    {
        error = code;
        return false;
    }

    // A time-out or a sleep ends on a tick of Windows' timer, never before its time.
    nanoseconds onTick(nanoseconds due) const
    {
        if (tick.count() == 0)
            return due;
        return (due + tick - nanoseconds(1)) / tick * tick;
    }

    // The first expiry after 'moment' of a timer started at 'start'.
    static nanoseconds expiryAfter(nanoseconds moment, nanoseconds start, nanoseconds period)
    {
        return start + ((moment - start) / period + 1) * period;
    }

    static nanoseconds nextUsbFrame(nanoseconds moment) { return expiryAfter(moment, nanoseconds(0), usbFrame); }

    // When the native driver completes a write: once no more than the FIFO's
    // bytes are still to leave the line.
    nanoseconds transmitterFifoTakesTheRest()
    {
        const std::size_t unsent = static_cast<std::size_t>(unsentNow());
        return unsent > transmitterFifoBytes ? sentTimes[unsent - transmitterFifoBytes - 1] : now;
    }

    // Puts the first 'count' bytes of the output on the line, and the
    // instrument's answers on the way back.
    void sendOutput(std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t value = output.front();
            output.pop_front();
            lineFree = std::max(lineFree, now) + byteOnLine;
            sentTimes.push_back(lineFree);
            receivedByInstrument.push_back(value);
            Answer answer = instrument(value);
            nanoseconds arrival = std::max(answerFree, lineFree + answer.after);
            for (std::uint8_t reply : answer.bytes) {
                arrival += byteOnLine;
                const bool spoiled = framingErrorAfterBytes > 0 && ++bytesFromInstrument == framingErrorAfterBytes;
                deliver(reply, arrival, spoiled);
            }
            answerFree = arrival;
        }
    }

    // A reply's byte has come off the line at 'arrival': it waits with the
    // others of its packet (the 16550's FIFO, the adapter's buffer) until
    // they go to the driver together.
    void deliver(std::uint8_t value, nanoseconds arrival, bool spoiled)
    {
        if (gathering > 0 && arrival > gatheringUntil)
            gathering = 0; // the waiting ones went when their time came
        gatheringUntil = handedOver(arrival);
        input.push_back({value, gatheringUntil, spoiled});
        ++gathering;
        const bool full = gathering == packetBytes();
        if (full) {
            gatheringUntil = arrival;
            timerStart = arrival;
        }
        for (auto waiting = input.end() - gathering; waiting != input.end(); ++waiting)
            waiting->visible = gatheringUntil;
        if (full)
            gathering = 0;
    }

    // When the packet that a byte arriving now joins goes to the driver, unless it fills first.
    nanoseconds handedOver(nanoseconds arrival) const
    {
        switch (driver.delivers) {
        case Delivery::characterTimeout: return arrival + characterTimeout;
        case Delivery::latencyTimer:
            return gathering > 0 ? gatheringUntil : expiryAfter(arrival, timerStart, driver.latencyTimer);
        case Delivery::usbFrame: return gathering > 0 ? gatheringUntil : nextUsbFrame(arrival);
        }
        return arrival;
    }

    int packetBytes() const
    {
        switch (driver.delivers) {
        case Delivery::characterTimeout: return receiveTriggerBytes;
        case Delivery::latencyTimer: return ftdiPacketBytes;
        case Delivery::usbFrame: return 0;
        }
        return 0;
    }

    // Bytes handed to the line that have not left it yet.
    int unsentNow()
    {
        while (!sentTimes.empty() && sentTimes.front() <= now)
            sentTimes.pop_front();
        return static_cast<int>(sentTimes.size());
    }

    // The driver notes a line error once the spoiled byte has reached it.
    void noteLineErrors()
    {
        for (Byte& b : input) {
            if (b.visible > now)
                break;
            if (std::exchange(b.framingError, false))
                pendingErrors |= CE_FRAME;
        }
    }

    void settle()
    {
        if (!outputHeld && !output.empty())
            sendOutput(output.size());
        noteLineErrors();
    }

    Driver driver;
    nanoseconds tick;
    Instrument instrument;
    nanoseconds now;
    COMMTIMEOUTS timeouts = timeoutsFound();
    DCB line = settingsFound();
    DWORD error = 0;
    DWORD pendingErrors = 0;
    std::deque<std::uint8_t> output;            // held by the driver, not yet on the line
    std::deque<nanoseconds> sentTimes;          // when each byte on the line leaves it
    std::deque<Byte> input;                     // in order of arrival, so also of 'visible'
    nanoseconds lineFree{0};
    nanoseconds answerFree{0};
    int gathering = 0;                          // the last bytes of 'input' that wait together
    nanoseconds gatheringUntil{0};
    nanoseconds timerStart{0};                  // FTDI's latency timer last started
    int bytesFromInstrument = 0;
    ScopedWin32SerialCalls calls;
    ScopedLinkClock clock;
};

} // namespace replay
