#include "sim/pseudo_terminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// A raw line like a serial port that nobody has configured yet: no echo, no
// line editing, no character translation in either direction.
void makeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        fail("tcgetattr");
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    if (tcsetattr(fd, TCSANOW, &settings) != 0)
        fail("tcsetattr");
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (masterFd < 0)
        fail("posix_openpt");
    try {
        if (grantpt(masterFd) != 0 || unlockpt(masterFd) != 0)
            fail("unlockpt");
        char name[128];
        if (ptsname_r(masterFd, name, sizeof name) != 0)
            fail("ptsname");
        path = name;
        ownSlaveFd = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (ownSlaveFd < 0)
            fail("open slave");
        makeRaw(ownSlaveFd);
        const int flags = fcntl(masterFd, F_GETFL);
        if (flags < 0 || fcntl(masterFd, F_SETFL, flags | O_NONBLOCK) != 0)
            fail("fcntl");
    } catch (...) {
        hangUp();
        throw;
    }
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

void PseudoTerminal::hangUp()
{
    if (masterFd >= 0)
        close(masterFd);
    if (ownSlaveFd >= 0)
        close(ownSlaveFd);
    masterFd = -1;
    ownSlaveFd = -1;
}

void PseudoTerminal::releaseAbandonedExclusivity()
{
    int exclusive = 0;
    if (ownSlaveFd < 0 || ioctl(ownSlaveFd, TIOCGEXCL, &exclusive) != 0 || !exclusive)
        return;
    if (flock(ownSlaveFd, LOCK_EX | LOCK_NB) != 0)
        return;   // the host is still there
    ioctl(ownSlaveFd, TIOCNXCL);
    flock(ownSlaveFd, LOCK_UN);
}

void PseudoTerminal::holdHostOutput(bool hold)
{
    if (ownSlaveFd >= 0)
        tcflow(ownSlaveFd, hold ? TCOOFF : TCOON);
}

} // namespace sim
