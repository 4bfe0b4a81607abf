#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair for serial port tests. The test plays the instrument
// on the master side; the port under test opens the slave through its path.
// The pair also keeps a descriptor of its own on the slave, so that the
// terminal and its settings survive the port closing it.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        const char* name = ::ptsname(master);
        if (name == nullptr)
            throw std::runtime_error("no pseudo-terminal name");
        path = name;
        slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave < 0)
            throw std::runtime_error("cannot open the pseudo-terminal's slave");
    }
    ~PseudoTerminal()
    {
        closeMaster();
        ::close(slave);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slavePath() const { return path; }
    int slaveDescriptor() const { return slave; }

    // The slave's settings as the master side sees them.
    termios settings() const
    {
        termios current{};
        EXPECT_EQ(::tcgetattr(master, &current), 0);
        return current;
    }
    void changeSettings(void (*change)(termios&))
    {
        termios current = settings();
        change(current);
        ASSERT_EQ(::tcsetattr(slave, TCSANOW, &current), 0);
    }

    void send(const std::vector<std::uint8_t>& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t written = ::write(master, bytes.data() + done, bytes.size() - done);
            ASSERT_GT(written, 0);
            done += static_cast<std::size_t>(written);
        }
    }

    // Reads until 'count' bytes have come or nothing has come for 'quiet'.
    std::vector<std::uint8_t> receive(std::size_t count,
                                      std::chrono::milliseconds quiet = std::chrono::milliseconds(1000))
    {
        std::vector<std::uint8_t> bytes;
        std::uint8_t buffer[4096];
        while (bytes.size() < count) {
            pollfd entry{master, POLLIN, 0};
            if (::poll(&entry, 1, static_cast<int>(quiet.count())) <= 0)
                break;
            const ssize_t got = ::read(master, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (got <= 0)
                break;
            bytes.insert(bytes.end(), buffer, buffer + got);
        }
        return bytes;
    }

    // Whatever comes within the given time.
    std::vector<std::uint8_t> drainFor(std::chrono::milliseconds time) { return receive(SIZE_MAX, time); }

    // The instrument disappears: the slave side is hung up.
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

private:
    int master = -1;
    int slave = -1;
    std::string path;
};
