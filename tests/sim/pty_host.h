#pragma once

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A minimal host on the simulator's slave side, made of plain POSIX calls so
// that the simulator is checked independently of the tool's own serial code.
class PtyHost {
public:
    explicit PtyHost(const std::string& path)
    {
        fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            throw std::runtime_error("cannot open " + path);
        termios settings{};
        tcgetattr(fd, &settings);
        cfmakeraw(&settings);
        settings.c_cflag |= CSTOPB | CLOCAL | CREAD;
        cfsetispeed(&settings, B115200);
        cfsetospeed(&settings, B115200);
        tcsetattr(fd, TCSANOW, &settings);
    }
    ~PtyHost() { close(fd); }
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    int descriptor() const { return fd; }

    void send(const std::vector<std::uint8_t>& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd p{fd, POLLOUT, 0};
                if (poll(&p, 1, 1000) <= 0)
                    throw std::runtime_error("write stalled");
            }
        }
    }

    // Up to 'count' bytes; fewer when the wait runs out first.
    std::vector<std::uint8_t> receive(std::size_t count, int waitMs = 2000)
    {
        std::vector<std::uint8_t> bytes;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            std::uint8_t buffer[4096];
            const ssize_t n = read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) {
                failed = true;
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& bytes, std::size_t replyLength, int waitMs = 2000)
    {
        send(bytes);
        return receive(replyLength, waitMs);
    }

    void discardInput() { tcflush(fd, TCIFLUSH); }

    // Probes as the tool does until 'B' comes or the wait runs out, then lets
    // further answers arrive and throws them away.
    bool catchBootloader(int waitMs = 2000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (std::chrono::steady_clock::now() < end) {
            const auto got = exchange({']', '['}, 1, 5);
            if (got.size() == 1 && got[0] == 'B') {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                discardInput();
                return true;
            }
        }
        return false;
    }

    bool readFailed() const { return failed; }

private:
    int fd = -1;
    bool failed = false;
};

inline std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

inline const std::vector<std::uint8_t> crReply{13};
