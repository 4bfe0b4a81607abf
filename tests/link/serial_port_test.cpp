#include "common/general_exception.h"
#include "link/output_queue.h"
#include "link/serial_port.h"
#include "link/terminal_attributes.h"
#include "tests/link/idle_recorder.h"
#include "tests/link/pseudo_terminal.h"
#include "tests/support/manual_clock.h"
#include "tests/support/port_mapping.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <numeric>
#include <optional>
#include <thread>
#include <utility>

#include <dlfcn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

using namespace std::chrono_literals;

const std::string notOpenForWrite = "Канал не відкритий! Неможливо з'єднатися з невідкритим портом!";
const std::string notOpenForRead = "Канал не відкритий! Неможливо читати з невідкритого каналу!";
const std::string notOpenForPurge = "Канал не відкритий! Неможливо очистити невідкритий канал!";
const std::string notOpenForBlock = "Канал не відкритий! Неможливо писати в невідкритий канал!";
const std::string readTimedOut = "Таймаут протягом операції читання з COM порту!";

template <typename Exception, typename Call>
std::string messageOf(Call call)
{
    try {
        call();
    } catch (const Exception& error) {
        return error.message();
    } catch (const std::exception& error) {
        return std::string("wrong exception type: ") + error.what();
    }
    return "nothing raised";
}

// The operating system's error that a PortException carries as its cause,
// and its message where asked.
template <typename Call>
std::error_code causeOf(Call call, std::string* message = nullptr)
{
    try {
        call();
    } catch (const PortException& error) {
        if (message)
            *message = error.message();
        return error.cause();
    }
    return {};
}

}

// Write calls made to one device, counted where the calls are made: the
// kernel's count for the whole process also holds what the sanitizers write
// on their own.
static std::atomic<dev_t> countedDevice{0};
static std::atomic<long> countedWrites{0};

extern "C" ssize_t write(int descriptor, const void* bytes, size_t count)
{
    using Write = ssize_t (*)(int, const void*, size_t);
    static const auto next = reinterpret_cast<Write>(::dlsym(RTLD_NEXT, "write"));
    struct stat status {};
    if (countedDevice != 0 && ::fstat(descriptor, &status) == 0 && S_ISCHR(status.st_mode)
        && status.st_rdev == countedDevice)
        ++countedWrites;
    return next(descriptor, bytes, count);
}

namespace {

// Counts the write calls made to the device at 'path' while it lives.
class WriteCounter {
public:
    explicit WriteCounter(const std::string& path)
    {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0)
            countedDevice = status.st_rdev;
    }
    ~WriteCounter() { countedDevice = 0; }
    WriteCounter(const WriteCounter&) = delete;
    WriteCounter& operator=(const WriteCounter&) = delete;
    long soFar() const { return countedWrites; }
};

// A port mapped onto a fresh pseudo-terminal, which the test drives from the
// master side.
class SerialPortOnPty : public ::testing::Test {
protected:
    static constexpr int port = 3;

    PseudoTerminal pty;
    ScopedPortMapping mapping{port, pty.slavePath()};

    static std::vector<std::uint8_t> allByteValues()
    {
        std::vector<std::uint8_t> bytes(256);
        std::iota(bytes.begin(), bytes.end(), 0);
        return bytes;
    }

    // Waits until input the master sent is visible on the slave side.
    void waitUntilArrived(std::size_t count)
    {
        int queued = 0;
        for (int i = 0; i < 200 && queued < static_cast<int>(count); ++i) {
            ::ioctl(pty.slaveDescriptor(), FIONREAD, &queued);
            std::this_thread::sleep_for(5ms);
        }
        ASSERT_GE(queued, static_cast<int>(count));
    }
};

struct ConstructorCase {
    int port;
    int timeout;
    const char* message; // nullptr: accepted
};

class SerialPortConstructor : public ::testing::TestWithParam<ConstructorCase> {};

TEST_P(SerialPortConstructor, ChecksTimeoutFirstThenPortRange)
{
    const ConstructorCase& c = GetParam();
    if (c.message == nullptr) {
        SerialPort accepted(c.port, c.timeout);
        EXPECT_FALSE(accepted.isOpen());
    } else {
        EXPECT_EQ(messageOf<GeneralException>([&] { SerialPort rejected(c.port, c.timeout); }), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SerialPortConstructor,
    ::testing::Values(ConstructorCase{0, 5, "Підтримується тільки порти COM1 - COM10!"},
                      ConstructorCase{11, 5, "Підтримується тільки порти COM1 - COM10!"},
                      ConstructorCase{-3, 5, "Підтримується тільки порти COM1 - COM10!"},
                      ConstructorCase{1, -1, "Негативний таймаут COM порта не дозволений!"},
                      ConstructorCase{0, -1, "Негативний таймаут COM порта не дозволений!"},
                      ConstructorCase{11, -7, "Негативний таймаут COM порта не дозволений!"},
                      ConstructorCase{1, 0, nullptr}, ConstructorCase{10, 5, nullptr}));

// Each operation that needs an open channel, with the message it gives when it
// has none. A device call on the closed handle would fail with a different
// message, so the message also shows that the device was not touched.
struct NotOpenCase {
    const char* operation;
    std::function<void(SerialPort&)> call;
    std::string message;
};

std::vector<NotOpenCase> notOpenCases()
{
    static const std::uint8_t block[2] = {1, 2};
    return {
        {"writeByte", [](SerialPort& p) { p.writeByte('x'); }, notOpenForWrite},
        {"readByte", [](SerialPort& p) { p.readByte(); }, notOpenForRead},
        {"pollByte", [](SerialPort& p) { p.pollByte(std::time(nullptr)); }, notOpenForRead},
        {"purgeTransmit", [](SerialPort& p) { p.purgeTransmit(); }, notOpenForPurge},
        {"purgeReceive", [](SerialPort& p) { p.purgeReceive(); }, notOpenForPurge},
        {"writeBlock", [](SerialPort& p) { p.writeBlock(block, 2); }, notOpenForBlock},
    };
}

TEST_F(SerialPortOnPty, OperationsOnAClosedChannelRaiseTheirOwnMessage)
{
    SerialPort neverOpened(port, 5);
    SerialPort reclosed(port, 5);
    reclosed.openPort();
    reclosed.closePort();
    for (const NotOpenCase& c : notOpenCases()) {
        SCOPED_TRACE(c.operation);
        EXPECT_EQ(messageOf<PortException>([&] { c.call(neverOpened); }), c.message);
        EXPECT_EQ(messageOf<PortException>([&] { c.call(reclosed); }), c.message);
        EXPECT_FALSE(causeOf([&] { c.call(neverOpened); })) << "no system call, so no system error";
    }
    EXPECT_TRUE(pty.drainFor(50ms).empty());
}

TEST_F(SerialPortOnPty, OpenAppliesRawEightDataBitsTwoStopBitsAt115200)
{
    pty.changeSettings([](termios& t) {
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | PARODD;
        t.c_cflag &= ~CSTOPB;
        t.c_iflag |= ICRNL | INLCR | IXON | IXOFF | ISTRIP | INPCK;
        t.c_oflag |= OPOST | ONLCR;
        t.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    });
    SerialPort serial(port, 5);
    serial.openPort();

    const termios t = pty.settings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B115200));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD), 0u);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP | INPCK), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST_F(SerialPortOnPty, OpenLeavesHardwareFlowControlAndHangUpOnCloseAsFound)
{
    for (tcflag_t found : {tcflag_t(CRTSCTS), tcflag_t(HUPCL), tcflag_t(0), tcflag_t(CRTSCTS | HUPCL)}) {
        SCOPED_TRACE(found);
        termios before = pty.settings();
        before.c_cflag = (before.c_cflag & ~(CRTSCTS | HUPCL)) | found;
        ASSERT_EQ(tcsetattr(pty.slaveDescriptor(), TCSANOW, &before), 0);
        SerialPort serial(port, 5);
        serial.openPort();
        EXPECT_EQ(pty.settings().c_cflag & (CRTSCTS | HUPCL), found);
    }
}

TEST_F(SerialPortOnPty, CloseRestoresTheTimeoutSettingsButKeepsTheLine)
{
    pty.changeSettings([](termios& t) {
        t.c_lflag &= ~ICANON;
        t.c_cc[VMIN] = 3;
        t.c_cc[VTIME] = 7;
    });
    SerialPort serial(port, 5);
    serial.openPort();
    ASSERT_EQ(pty.settings().c_cc[VMIN], 0);
    serial.closePort();

    const termios after = pty.settings();
    EXPECT_EQ(after.c_cc[VMIN], 3);
    EXPECT_EQ(after.c_cc[VTIME], 7);
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B115200));
    EXPECT_NE(after.c_cflag & CSTOPB, 0u);
}

// What the driver is given, seen through the seam rather than read back from
// a pseudo-terminal, which keeps settings without acting on them: at open the
// time-outs (reads return at once), then the line, each changing only its own
// part of what the port had; at close the time-outs as found, the line as set.
struct RecordedAttributes final : TerminalAttributes {
    bool get(int, termios& settings) override
    {
        settings = current;
        return true;
    }
    bool set(int, const termios& settings) override
    {
        current = settings;
        given.push_back(settings);
        return true;
    }
    termios current{};
    std::vector<termios> given;
    ScopedTerminalAttributes scope{*this};
};

TEST_F(SerialPortOnPty, TheDriverIsGivenTheLineAndTheTimeOutsOfEachPhase)
{
    RecordedAttributes driver;
    termios& found = driver.current;
    cfsetispeed(&found, B9600);
    cfsetospeed(&found, B9600);
    found.c_cflag |= CS7 | PARENB | PARODD | CRTSCTS | HUPCL;
    found.c_iflag = IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK;
    found.c_oflag = OPOST | ONLCR;
    found.c_lflag = ICANON | ECHO | ECHONL | ISIG | IEXTEN;
    found.c_cc[VMIN] = 3;
    found.c_cc[VTIME] = 7;
    found.c_cc[VINTR] = 0x03;
    const tcflag_t cflagFound = found.c_cflag;
    SerialPort serial(port, 5);
    serial.openPort();
    ASSERT_EQ(driver.given.size(), 2u);

    const termios timeouts = driver.given[0];
    EXPECT_EQ(timeouts.c_cc[VMIN], 0);
    EXPECT_EQ(timeouts.c_cc[VTIME], 0);
    EXPECT_EQ(timeouts.c_cflag, cflagFound);

    const termios line = driver.given[1];
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
    const tcflag_t frame = CSIZE | CSTOPB | PARENB | PARODD | CREAD | CLOCAL | CRTSCTS | HUPCL;
    EXPECT_EQ(line.c_cflag & frame, CS8 | CSTOPB | CREAD | CLOCAL | CRTSCTS | HUPCL);
    EXPECT_EQ(line.c_iflag, 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VINTR], 0x03);

    serial.closePort();
    ASSERT_EQ(driver.given.size(), 3u);
    EXPECT_EQ(driver.given[2].c_cc[VMIN], 3);
    EXPECT_EQ(driver.given[2].c_cc[VTIME], 7);
    EXPECT_EQ(driver.given[2].c_cflag, line.c_cflag);
}

TEST_F(SerialPortOnPty, EveryByteValuePassesUnchangedBothWaysAndReadsAsUnsigned)
{
    SerialPort serial(port, 5);
    serial.openPort();
    const std::vector<std::uint8_t> all = allByteValues();

    pty.send(all);
    pty.send({0xFF});
    std::vector<std::uint8_t> received;
    for (std::size_t i = 0; i < all.size(); ++i)
        received.push_back(serial.readByte());
    EXPECT_EQ(received, all);
    EXPECT_EQ(int{serial.pollByte(std::time(nullptr))}, 255);

    serial.writeBlock(all.data(), static_cast<std::int32_t>(all.size()));
    for (std::uint8_t byte : all)
        serial.writeByte(byte);
    // writeByte sends the low eight bits of its argument.
    serial.writeByte(0x141);
    serial.writeByte(-1);
    serial.purgeTransmit();
    std::vector<std::uint8_t> expected = all;
    expected.insert(expected.end(), all.begin(), all.end());
    expected.insert(expected.end(), {0x41, 0xFF});
    // Nothing added either: no echo of what came in, no CR before NL.
    EXPECT_EQ(pty.drainFor(200ms), expected);
}

TEST_F(SerialPortOnPty, NoByteWrittenIsLostToAPurgeThatFollows)
{
    SerialPort serial(port, 5);
    serial.openPort();
    std::vector<std::uint8_t> expected;
    std::vector<std::uint8_t> arrived;
    std::thread reader([&] { arrived = pty.receive(2000 + 20000, 2000ms); });

    for (int i = 0; i < 2000; ++i) {
        serial.writeByte(i);
        serial.purgeTransmit();
        expected.push_back(static_cast<std::uint8_t>(i));
    }
    std::vector<std::uint8_t> block(20000);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 7 + 3);
    serial.writeBlock(block.data(), static_cast<std::int32_t>(block.size()));
    serial.purgeTransmit();
    expected.insert(expected.end(), block.begin(), block.end());

    reader.join();
    EXPECT_EQ(arrived.size(), expected.size());
    EXPECT_TRUE(arrived == expected);
}

// Each frame leaves in one write call, whatever ends it: the transmit purge,
// a read or a poll, a block (after the header gathered before it) or the
// close; a receive purge keeps what is gathered. Only a frame longer than the
// program gathers goes in parts. The bytes and their order stay as given.
TEST_F(SerialPortOnPty, EachFrameLeavesInOneWriteCall)
{
    using Sent = std::vector<std::uint8_t>;
    using Step = std::function<void(SerialPort&, Sent&)>;
    const auto bytes = [](Sent values) {
        return Step([values](SerialPort& p, Sent& sent) {
            for (const std::uint8_t value : values)
                p.writeByte(value);
            sent.insert(sent.end(), values.begin(), values.end());
        });
    };
    const auto counting = [](int count) {
        Sent values(static_cast<std::size_t>(count));
        std::iota(values.begin(), values.end(), std::uint8_t{0});
        return values;
    };
    const auto block = [&](int count) {
        return Step([values = counting(count)](SerialPort& p, Sent& sent) {
            p.writeBlock(values.data(), static_cast<std::int32_t>(values.size()));
            sent.insert(sent.end(), values.begin(), values.end());
        });
    };
    const Step purge = [](SerialPort& p, Sent&) { p.purgeTransmit(); };
    const Step poll = [](SerialPort& p, Sent&) { p.pollByte(std::time(nullptr) - 10); };
    const Step read = [](SerialPort& p, Sent&) { EXPECT_THROW(p.readByte(), TimeoutException); };
    const Step dropInput = [](SerialPort& p, Sent&) { p.purgeReceive(); };
    const Step close = [](SerialPort& p, Sent&) { p.closePort(); };
    const struct {
        const char* frames;
        std::vector<Step> steps;
        long writes;
    } cases[] = {
        {"setAddress", {bytes({'A', 0x12, 0x34}), purge}, 1},
        {"probe pair", {bytes({']'}), purge, bytes({'['}), purge, poll}, 2},
        {"flash block byte by byte", {bytes({'B', 1, 0, 'F'}), bytes(counting(256)), read}, 1},
        {"block after its header, then a letter", {bytes({'g', 0, 4, 'F'}), block(4), bytes({'x'}), purge}, 2},
        {"leave", {bytes({'E'}), close}, 1},
        {"around a receive purge", {bytes({'S'}), dropInput, bytes({'T'}), purge}, 1},
        {"longer than gathered", {bytes(counting(1500)), purge}, 2},
        {"long block", {bytes({'B', 0x07, 0xD0, 'E'}), block(2000), purge}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frames);
        SerialPort serial(port, 0);
        serial.openPort();
        Sent sent;
        const WriteCounter writes(pty.slavePath());
        const long before = writes.soFar();
        for (const Step& step : c.steps)
            step(serial, sent);
        EXPECT_EQ(writes.soFar() - before, c.writes);
        EXPECT_EQ(pty.drainFor(100ms), sent);
    }
}

// A real line's output queue, which a pseudo-terminal lacks: what was written
// leaves when the line lets it, all at once at 'emptyAt'.
struct ScriptedOutputQueue final : OutputQueue {
    std::error_code queued(int, int& bytes) override
    {
        bytes = lastAnswer = std::chrono::steady_clock::now() < emptyAt ? 3 : 0;
        return failure;
    }
    void discard(int) override { discarded = true; }
    std::chrono::steady_clock::time_point emptyAt = std::chrono::steady_clock::time_point::max();
    std::error_code failure;
    int lastAnswer = -1;
    bool discarded = false;
    ScopedOutputQueue scope{*this};
};

// Written bytes are waited for, by the transmit purge and at close: on a line
// that drains slowly (more than a quarter of a second for the leave byte) they
// go out and nothing is dropped; on a stalled line the call fails with its own
// message, and a close still releases the port, dropping what did not go.
TEST_F(SerialPortOnPty, WrittenBytesAreWaitedForWithinTheTimeOutAndNeverDropped)
{
    using Port = std::optional<SerialPort>;
    using Step = void (*)(Port&);
    static const std::uint8_t leave = 'E';
    const Step byte = [](Port& p) { p->writeByte(leave); }, block = [](Port& p) { p->writeBlock(&leave, 1); };
    const Step purge = [](Port& p) { p->purgeTransmit(); }, close = [](Port& p) { p->closePort(); };
    const Step destroy = [](Port& p) { p.reset(); };
    const std::error_code stalled(ETIMEDOUT, std::generic_category()), unknown(EIO, std::generic_category());
    const std::string purgeFailure = "Помилка очистки ТХ буфера COM порту!";
    const struct {
        Step write, finish;
        std::chrono::milliseconds drain; // 0: never
        std::error_code queueFailure, cause;
        std::string message; // empty: it succeeds
    } cases[] = {
        {byte, purge, 400ms, {}, {}, ""},
        {byte, purge, 0ms, {}, stalled, purgeFailure},
        {block, purge, 400ms, unknown, unknown, purgeFailure},
        {byte, close, 400ms, {}, {}, ""},
        {block, destroy, 400ms, {}, {}, ""},
        {byte, close, 0ms, {}, stalled, "Помилка запису байту в COM порт!"},
        {block, close, 0ms, {}, stalled, "Помилка запису послідовності байт в COM порт!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ScriptedOutputQueue queue;
        queue.failure = c.queueFailure;
        Port serial(std::in_place, port, c.drain > 0ms ? 5 : 0);
        serial->openPort();
        c.write(serial);
        if (c.drain > 0ms)
            queue.emptyAt = std::chrono::steady_clock::now() + c.drain;
        std::string message;
        EXPECT_EQ(causeOf([&] { c.finish(serial); }, &message), c.cause);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(queue.lastAnswer, c.message.empty() ? 0 : 3) << "stopped waiting while the line still held bytes";
        EXPECT_EQ(queue.discarded, c.finish == close && c.cause == stalled);
        if (!queue.discarded) {
            EXPECT_EQ(pty.drainFor(100ms), std::vector<std::uint8_t>{leave});
        }
        if (c.finish != purge) {
            EXPECT_NO_THROW(SerialPort(port, 0).openPort()) << "the port was not released";
        }
    }
}

// The command line stops an interrupted run from its idle call. A frame that
// the line is slow to take (a block, a purge inside a block) is not cut by
// that: the whole frame goes out, and the run stops at the wait for the reply.
TEST_F(SerialPortOnPty, AnInterruptionWaitsUntilTheWholeFrameHasGoneOut)
{
    struct InterruptedRun final : frontend::Idle {
        explicit InterruptedRun(PseudoTerminal& line) : instrument(line) {}
        void whileWaiting() override { throw GeneralException("interrupted"); }
        void whileSending() override { received += instrument.drainFor(0ms).size(); }
        PseudoTerminal& instrument;
        std::size_t received = 0;
        frontend::Binding binding{nullptr, nullptr, this};
    } idle(pty);
    SerialPort serial(port, 5);
    serial.openPort();
    ScriptedOutputQueue slowLine;
    slowLine.emptyAt = std::chrono::steady_clock::now() + 100ms;
    EXPECT_NO_THROW(serial.purgeTransmit());
    const std::vector<std::uint8_t> block(256 * 1024, 'B');
    EXPECT_NO_THROW(serial.writeBlock(block.data(), static_cast<std::int32_t>(block.size())));
    EXPECT_EQ(messageOf<GeneralException>([&] { serial.readByte(); }), "interrupted");
    EXPECT_EQ(idle.received + pty.drainFor(200ms).size(), block.size());
}

TEST_F(SerialPortOnPty, PurgeReceiveDiscardsWhatHasArrived)
{
    SerialPort serial(port, 0);
    serial.openPort();
    pty.send({1, 2, 3, 4});
    waitUntilArrived(4);
    serial.purgeReceive();
    EXPECT_EQ(messageOf<TimeoutException>([&] { serial.readByte(); }), readTimedOut);
    pty.send({'x'});
    waitUntilArrived(1);
    EXPECT_EQ(serial.readByte(), 'x');
}

TEST_F(SerialPortOnPty, BytesLeftFromAnEarlierSessionAreGoneAtOpen)
{
    pty.send({0x0D, 0x0D});
    waitUntilArrived(2);
    SerialPort serial(port, 0);
    serial.openPort();
    EXPECT_EQ(messageOf<TimeoutException>([&] { serial.readByte(); }), readTimedOut);
}

TEST_F(SerialPortOnPty, PurgeReceiveAlsoDropsBytesAlreadyTakenFromTheDriver)
{
    SerialPort serial(port, 0);
    serial.openPort();
    pty.send({1, 2, 3, 4});
    waitUntilArrived(4);
    EXPECT_EQ(serial.readByte(), 1);
    serial.purgeReceive();
    EXPECT_EQ(messageOf<TimeoutException>([&] { serial.readByte(); }), readTimedOut);
}

// Bytes trickling in one at a time, as a block read's reply does: whether or
// not the stream was announced, every byte comes in order and the window gets
// its idle calls.
TEST_F(SerialPortOnPty, AStreamOfBytesStillGivesTheWindowItsIdleCalls)
{
    constexpr int count = 200;
    for (const bool announced : {false, true}) {
        SCOPED_TRACE(announced ? "announced" : "not announced");
        SerialPort serial(port, 5);
        serial.openPort();
        std::thread instrument([&] {
            for (int i = 0; i < count; ++i) {
                pty.send({static_cast<std::uint8_t>(i)});
                std::this_thread::sleep_for(2ms);
            }
        });
        IdleRecorder idle;
        const auto start = IdleRecorder::Clock::now();
        if (announced)
            serial.expectStream(count);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(serial.readByte(), static_cast<std::uint8_t>(i));
        const auto end = IdleRecorder::Clock::now();
        instrument.join();
        EXPECT_LE(idle.longestGap(start, end), IdleRecorder::longestGapAllowed);
    }
}

// The announcement promises more than comes: the missing byte is still a
// time-out, reported as soon as without one.
TEST_F(SerialPortOnPty, AnAnnouncedStreamThatStopsShortStillTimesOut)
{
    ManualClock clock;
    SerialPort serial(port, 1);
    serial.openPort();
    serial.expectStream(100);
    pty.send({1, 2, 3});
    waitUntilArrived(3);
    for (const std::uint8_t expected : {1, 2, 3})
        EXPECT_EQ(serial.readByte(), expected);
    EXPECT_EQ(messageOf<TimeoutException>([&] { serial.readByte(); }), readTimedOut);
    // On the port's own time-out: the bytes still announced add no wait.
    EXPECT_LE(clock.elapsed(), 1s);
}

// A wait of N seconds on the seconds clock ends once the clock has moved on
// by N, which is between N-1 and N seconds after the start; with 0 exactly one
// read is tried.
TEST_F(SerialPortOnPty, ReadTimeOutEndsInTheLastSecondOfItsWait)
{
    for (const int timeout : {0, 1, 5}) {
        for (const auto intoSecond : {0ms, 400ms, 999ms}) {
            SCOPED_TRACE(std::to_string(timeout) + " s, started " + std::to_string(intoSecond.count()) + " ms in");
            ManualClock clock(intoSecond);
            SerialPort serial(port, timeout);
            serial.openPort();
            EXPECT_EQ(messageOf<TimeoutException>([&] { serial.readByte(); }), readTimedOut);
            if (timeout == 0) {
                EXPECT_EQ(clock.elapsed(), 0ms);
            } else {
                EXPECT_GT(clock.elapsed(), std::chrono::seconds(timeout - 1));
                EXPECT_LE(clock.elapsed(), std::chrono::seconds(timeout));
            }
        }
    }
}

TEST_F(SerialPortOnPty, PollByteAnswersZeroOnceTheClockIsASecondPastTheReference)
{
    for (const auto intoSecond : {0ms, 999ms}) {
        ManualClock clock(intoSecond);
        SerialPort serial(port, 5);
        serial.openPort();
        EXPECT_EQ(serial.pollByte(clock.seconds()), 0);
        EXPECT_GT(clock.elapsed(), 0ms);
        EXPECT_LE(clock.elapsed(), 1s);
    }
}

TEST_F(SerialPortOnPty, PollByteWithAnOldReferenceReadsOnceAndAnswersZero)
{
    ManualClock clock;
    SerialPort serial(port, 5);
    serial.openPort();
    EXPECT_EQ(serial.pollByte(clock.seconds() - 10), 0);
    EXPECT_EQ(clock.elapsed(), 0ms);

    pty.send({0x42});
    waitUntilArrived(1);
    EXPECT_EQ(serial.pollByte(clock.seconds() - 10), 0x42);
}

// The line does something once the read has waited through an idle call, so
// that it happens while the read waits.
struct LineDuringTheWait final : frontend::Idle {
    explicit LineDuringTheWait(std::function<void()> onTheLine) : happen(std::move(onTheLine)) {}
    void whileWaiting() override
    {
        if (++calls == 2)
            happen();
    }
    std::function<void()> happen;
    int calls = 0;
    frontend::Binding binding{nullptr, nullptr, this};
};

TEST_F(SerialPortOnPty, ReadByteWaitsForAByteThatComesLater)
{
    SerialPort serial(port, 5);
    serial.openPort();
    LineDuringTheWait instrument([&] { pty.send({0x5A}); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(serial.readByte(), 0x5A);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_GE(instrument.calls, 2);
}

TEST_F(SerialPortOnPty, HangUpOfTheOtherSideIsAReadFailureNotAWait)
{
    SerialPort reading(port, 5);
    reading.openPort();
    LineDuringTheWait instrument([&] { pty.closeMaster(); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(messageOf<PortException>([&] { reading.readByte(); }), "Пимилка читання байту з COM порту!");
    EXPECT_EQ(causeOf([&] { reading.readByte(); }), std::errc::io_error);
    EXPECT_EQ(messageOf<PortException>([&] { reading.pollByte(std::time(nullptr)); }),
              "Помилка читання байту з COM порта!");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    // The port is still held; deleting it must let go of it without throwing.
}

TEST_F(SerialPortOnPty, SecondOpenOfAnOpenPortIsRefusedAndTheChannelStaysUsable)
{
    SerialPort serial(port, 5);
    serial.openPort();
    EXPECT_EQ(messageOf<PortException>([&] { serial.openPort(); }), "Канал вже відкритий! Неможливо відкрити вдруге!");
    EXPECT_TRUE(serial.isOpen());
    serial.writeByte('k');
    serial.purgeTransmit();
    EXPECT_EQ(pty.drainFor(200ms), std::vector<std::uint8_t>{'k'});
}

TEST_F(SerialPortOnPty, PortHeldElsewhereCannotBeOpenedUntilReleased)
{
    ScopedPortMapping samePortAsCom9(9, pty.slavePath());
    SerialPort holder(port, 5);
    holder.openPort();

    SerialPort second(9, 5);
    EXPECT_EQ(messageOf<PortException>([&] { second.openPort(); }), "Помилка відкриття  порту COM9");
    EXPECT_EQ(causeOf([&] { second.openPort(); }), std::errc::device_or_resource_busy);
    EXPECT_FALSE(second.isOpen());

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool refused = false;
        try {
            SerialPort other(9, 5);
            other.openPort();
        } catch (const PortException& error) {
            refused = error.message() == "Помилка відкриття  порту COM9";
        }
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process opened the held port";

    holder.closePort();
    EXPECT_NO_THROW(second.openPort());
}

TEST_F(SerialPortOnPty, ExclusiveModeLastsOnlyWhileThePortIsOpen)
{
    int exclusive = -1;
    SerialPort serial(port, 5);
    serial.openPort();
    ASSERT_EQ(::ioctl(pty.slaveDescriptor(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    serial.closePort();
    ASSERT_EQ(::ioctl(pty.slaveDescriptor(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
}

TEST_F(SerialPortOnPty, ReopensAfterClose)
{
    SerialPort serial(port, 5);
    serial.openPort();
    serial.closePort();
    EXPECT_NO_THROW(serial.closePort());
    serial.openPort();
    EXPECT_TRUE(serial.isOpen());
    serial.writeByte('r');
    serial.purgeTransmit();
    EXPECT_EQ(pty.drainFor(200ms), std::vector<std::uint8_t>{'r'});
}

TEST_F(SerialPortOnPty, NegativeBlockCountIsRefusedWithoutSendingAnything)
{
    SerialPort serial(port, 5);
    serial.openPort();
    const std::uint8_t bytes[1] = {1};
    EXPECT_EQ(messageOf<PortException>([&] { serial.writeBlock(bytes, -1); }),
              "Помилка запису послідовності байт в COM порт!");
    EXPECT_EQ(messageOf<PortException>([&] { serial.writeBlock(nullptr, 4); }),
              "Помилка запису послідовності байт в COM порт!");
    EXPECT_NO_THROW(serial.writeBlock(bytes, 0));
    EXPECT_TRUE(pty.drainFor(100ms).empty());
}

TEST(SerialPortOpenFailure, MissingOrForeignDeviceLeavesTheChannelClosedAndTellsWhy)
{
    const struct {
        const char* device;
        std::errc cause;
    } cases[] = {{"/nonexistent/ttyUSB7", std::errc::no_such_file_or_directory},
                 {"/dev/null", std::errc::inappropriate_io_control_operation}};
    for (const auto& [device, cause] : cases) {
        SCOPED_TRACE(device);
        ScopedPortMapping mapping(7, device);
        SerialPort serial(7, 5);
        EXPECT_EQ(messageOf<PortException>([&] { serial.openPort(); }), "Помилка відкриття  порту COM7");
        EXPECT_EQ(causeOf([&] { serial.openPort(); }), cause);
        EXPECT_FALSE(serial.isOpen());
        EXPECT_NO_THROW(serial.closePort());
        EXPECT_EQ(messageOf<PortException>([&] { serial.writeByte(1); }), notOpenForWrite);
    }
}

TEST(SerialPortPortTen, OpensTheDeviceOfCom10AndNamesItInFull)
{
    {
        ScopedPortMapping missing(10, "/nonexistent/ttyUSB10");
        SerialPort serial(10, 5);
        EXPECT_EQ(messageOf<PortException>([&] { serial.openPort(); }), "Помилка відкриття  порту COM10");
    }
    PseudoTerminal pty;
    ScopedPortMapping mapping(10, pty.slavePath());
    SerialPort serial(10, 5);
    serial.openPort();
    serial.writeByte('t');
    serial.purgeTransmit();
    EXPECT_EQ(pty.drainFor(200ms), std::vector<std::uint8_t>{'t'});
}

} // namespace
