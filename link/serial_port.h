#pragma once

#include "link/comm_channel.h"
#include "ports/low_latency.h"
#include "ports/resolved_port.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <string>
#include <system_error>

// What the Windows half keeps between calls: the read wait that the port's
// time-outs are set for (none yet: ~0), the driver's input count at the last
// look, and line errors that a look outside a read found. POSIX keeps nothing here.
struct SerialDriverState {
    std::uint32_t readWait = ~0u;
    std::uint32_t queuedInput = 0;
    std::uint32_t lineErrors = 0;
};

// One of the ports (COM1..COM10; on Windows up to COM256), or a device chosen
// by its path, at 115200 bit/s, 8 data bits, no parity, two stop bits, raw.
// Opened exclusively; reads return at once with what has arrived. The
// platform half lives in serial_port_posix.cpp or serial_port_win32.cpp.
//
// A frame leaves in one platform write: what writeByte is given is gathered
// and handed to the driver when the frame is complete, that is at the
// transmit purge, before any read or poll, together with a block (the block's
// bytes after the gathered ones) and at close. No reply is ever awaited while
// bytes of ours wait in the program. A write that fails raises the message of
// the call whose bytes did not all go: writeByte's for gathered bytes,
// writeBlock's for a block's.
class SerialPort final : public CommChannel {
public:
    // Raises for a negative time-out (checked first) or a port outside
    // firstPortNumber..lastPortNumber. COMn is the device that the platform's
    // rule gives it now (portDevicePath).
    SerialPort(std::int32_t portNumber, std::int32_t timeout);
    // The port that the front end resolved, on its device; the same checks,
    // the number's only where the port has one.
    SerialPort(const ResolvedPort& port, std::int32_t timeout);
    // Closes the port; never throws. Call closePort first to see its errors.
    ~SerialPort() override;

    void openPort() override;
    void closePort() override;
    void writeByte(int value) override;
    std::uint8_t readByte() override;
    std::uint8_t pollByte(std::time_t referenceTime) override;
    void purgeTransmit() override;
    void purgeReceive() override;
    void writeBlock(const std::uint8_t* bytes, std::int32_t count) override;
    void expectStream(std::int32_t count) override;

    bool isOpen() const { return channelOpen; }
    // Whether the serial driver took the request for low latency at the last open.
    const LowLatencyOutcome& lowLatency() const { return lowLatencyOutcome; }

private:
    // An operating-system handle: a file descriptor on POSIX, a HANDLE on Windows.
    using PortHandle = std::intptr_t;
    static constexpr PortHandle invalidHandle = -1;

    // The port's time-out settings as found at open, put back at close. On
    // Windows the COMMTIMEOUTS record; on POSIX VMIN, VTIME and the file status
    // flags in the first three slots.
    struct SavedTimeouts {
        std::uint32_t values[5] = {};
    };

    enum class LineSettings { Applied, ReadFailed, WriteFailed };
    enum class Received { Failed, Nothing, Byte };

    void requireOpen(const char* notOpenMessage) const;
    // Raises the message with the operating system's error that the platform
    // half noted for the call that failed.
    [[noreturn]] void fail(const std::string& message);
    // What a read that the line spoiled (see line_error.h) means to the caller.
    enum class LineErrors { FailTheRead, AreNoise };

    // Reads until a byte comes (true) or the seconds clock stands 'wait' or more
    // past 'since' (false); at least one read is always tried.
    bool receiveUntil(std::time_t since, std::time_t wait, std::uint8_t& byte, const char* readFailure,
                      LineErrors lineErrors);
    // Hands out the next byte taken already, or reads, waiting for input up to
    // the given milliseconds.
    Received takeArrivedByte(std::uint8_t& byte, int milliseconds);
    // Hands what writeByte gathered to the driver in one write.
    void sendGathered();
    // Hands the bytes to the driver in one write, the first 'fromWriteByte' of
    // them gathered from writeByte, the rest a block's; raises when that fails.
    void send(const std::uint8_t* bytes, std::int32_t count, std::int32_t fromWriteByte);
    // At close: sends what is gathered and waits, within the port's time-out,
    // for what was written after the last transmit purge (the leave command)
    // to go out. Hands back its failure, or whatever the idle call raised
    // meanwhile, to be raised once the port has been let go.
    std::exception_ptr finishOutput();
    // Before waiting for the next byte of an announced stream: lets the bytes
    // that the line can bring in meanwhile gather, so one read takes them all.
    void gatherStream();
    void noteStreamArrival(int count);

    // Platform half: each returns false when the device call fails, having
    // noted the operating system's error in deviceError.
    bool openDevice();
    bool saveTimeouts();
    bool applyTimeouts();
    LineSettings applyLineSettings();
    bool restoreTimeouts();
    bool releaseDevice();
    // One pass of a receive: waits up to 'milliseconds' for input (0: not at
    // all) and takes what has come, up to 'capacity' bytes; 'wanted' (at least
    // 1) is how many are awaited. Returns the count (0: nothing came), or -1
    // when the read failed, the line having spoiled it included.
    int receiveArrived(std::uint8_t* into, int capacity, int wanted, int milliseconds);
    // The POSIX half's two steps of a receive pass. One read that does not wait: takes what has arrived, up to 'capacity'
    // bytes. Returns the count (0: nothing yet), or -1 when the read failed.
    int readAvailable(std::uint8_t* into, int capacity);
    // Waits up to the given milliseconds for input. True when there may be
    // something to read: input, or trouble that the read will report.
    bool waitForInput(int milliseconds);
    // Sleeps about this long, where the platform can sleep that finely;
    // otherwise returns at once.
    static void sleepBriefly(std::chrono::nanoseconds duration);
    // Returns once the driver has taken every byte, or the write's time-out has
    // run out; 'sent' is how many it took.
    bool writeBytes(const std::uint8_t* bytes, std::int32_t count, std::int32_t& sent);
    // Never discards a byte of ours and never waits without a bound.
    bool purgeDeviceTransmit();
    // Before the device is let go: waits, within the port's time-out, for what
    // the last write left queued and for whatever the platform still sends after it.
    bool drainForRelease();
    bool purgeDeviceReceive();

    // What the messages call the port ("COM7", or the path) and what is opened.
    std::string portName;
    std::string devicePath;
    std::uint32_t baudRate;
    std::int32_t timeout;
    PortHandle portHandle;
    SavedTimeouts savedTimeouts;
    bool channelOpen;
    std::error_code deviceError;
    LowLatencyOutcome lowLatencyOutcome;
    // The failure of the last write when neither a transmit purge nor a reply
    // has followed it (the leave command): close waits for its bytes within
    // the time-out and, when they do not go, fails with it.
    const char* unsentWriteFailure = nullptr;

    // What writeByte was given since the frame last went to the driver. A
    // block frame is a few hundred bytes; a longer frame goes in several writes.
    static constexpr std::int32_t gatherCapacity = 1024;
    std::uint8_t gathered[gatherCapacity] = {};
    std::int32_t gatheredCount = 0;

    SerialDriverState driverState;

    // Bytes already taken from the driver but not yet handed out: reading what
    // has arrived in one call keeps a fast stream from costing calls per byte.
    // It is part of the receive side: purgeReceive and closePort empty it.
    std::uint8_t arrived[256] = {};
    int arrivedNext = 0;
    int arrivedEnd = 0;
    // An announced stream: bytes not yet handed out, bytes read so far, when
    // it was announced, and whether it has come faster than the line.
    std::int32_t streamAhead = 0;
    std::int32_t streamReceived = 0;
    std::chrono::microseconds streamBegan{};
    bool streamOutpacesLine = false;
};
