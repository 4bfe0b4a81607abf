#pragma once

#include <string>

namespace sim {

// A pseudo-terminal pair. The instrument holds the master and one slave
// descriptor of its own, so that the line keeps its settings between host
// opens and the master never reads end-of-file while no host is attached.
// The own slave descriptor is never read, written or locked.
class PseudoTerminal {
public:
    PseudoTerminal();   // throws std::runtime_error
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int master() const { return masterFd; }    // non-blocking; -1 after hangUp
    const std::string& slavePath() const { return path; }
    bool isOpen() const { return masterFd >= 0; }

    // Closes both sides: the host's descriptor sees a hang-up.
    void hangUp();

    // A host that set exclusive use and went away without clearing it would
    // lock every later non-privileged opener out (and make a privileged one
    // see the port as taken), since our own descriptor keeps the terminal
    // alive where a real port's last close would end it. When nobody holds
    // the host's lock any more, the flag is cleared.
    void releaseAbandonedExclusivity();

    // Stops or restarts the host's output as flow control would: while it is
    // held, the host's writes wait (or fail with EAGAIN).
    void holdHostOutput(bool hold);

private:
    int masterFd = -1;
    int ownSlaveFd = -1;
    std::string path;
};

} // namespace sim
