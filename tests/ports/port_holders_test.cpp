#include "common/general_exception.h"
#include "ports/port_holders_scan.h"
#include "link/serial_port.h"
#include "tests/link/pseudo_terminal.h"
#include "tests/support/port_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A process directory as /proc lays it out: fd/N links and fdinfo/N files.
class FakeProcesses {
public:
    FakeProcesses()
    {
        std::string pattern = (fs::temp_directory_path() / "veltor-proc-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("no temporary folder");
        root = pattern;
    }
    ~FakeProcesses()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    void process(int pid, const std::string& name)
    {
        fs::create_directories(root / std::to_string(pid) / "fd");
        fs::create_directories(root / std::to_string(pid) / "fdinfo");
        std::ofstream(root / std::to_string(pid) / "comm") << name << '\n';
    }
    void opened(int pid, int fd, const std::string& target, const std::string& info = "flags:\t02\n")
    {
        fs::create_symlink(target, root / std::to_string(pid) / "fd" / std::to_string(fd));
        std::ofstream(root / std::to_string(pid) / "fdinfo" / std::to_string(fd)) << info;
    }
    fs::path root;
};

TEST(PortHolders, FindsOtherProcessesWithTheDeviceOpenButNotTheLinesPeer)
{
    FakeProcesses procs;
    procs.process(100, "minicom");
    procs.opened(100, 3, "/dev/ttyUSB0");
    procs.process(200, "veltor-sim");               // the other end of /dev/pts/5
    procs.opened(200, 3, "/dev/ptmx", "pos:\t0\ntty-index:\t5\n");
    procs.opened(200, 4, "/dev/pts/5");
    procs.process(300, "screen");
    procs.opened(300, 0, "/dev/pts/5");
    procs.opened(300, 7, "/dev/ptmx", "tty-index:\t15\n"); // another terminal's master
    procs.process(400, "veltor-update");            // this process
    procs.opened(400, 5, "/dev/ttyUSB0");
    fs::create_directories(procs.root / "self" / "fd");
    fs::create_symlink("/dev/ttyUSB0", procs.root / "self" / "fd" / "3");

    const struct {
        const char* device;
        std::vector<int> pids;
    } cases[] = {
        {"/dev/ttyUSB0", {100}},
        {"/dev/pts/5", {300}},
        {"/dev/ttyUSB1", {}},
    };
    for (const auto& c : cases) {
        std::vector<int> found;
        for (const PortHolder& holder : portHoldersIn(procs.root, c.device, 400))
            found.push_back(holder.pid);
        EXPECT_EQ(found, c.pids) << c.device;
    }
    EXPECT_EQ(holdersText(portHoldersIn(procs.root, "/dev/ttyUSB0", 400)), "minicom (PID 100)");
    EXPECT_EQ(holdersText({{1, "a"}, {2, "b"}}), "a (PID 1), b (PID 2)");
}

// A terminal program takes no lock: the port is still refused while it has
// it open, naming it as busy, and opens once it is gone.
TEST(PortHolders, APortThatAnotherProcessHoldsWithoutALockIsBusy)
{
    PseudoTerminal pty;
    ScopedPortMapping mapping(4, pty.slavePath());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // Not the pseudo-terminal's master: whoever holds that is the line's peer.
        for (int inherited = 3; inherited < 1024; ++inherited)
            if (inherited != ready[1])
                ::close(inherited);
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
        (void)!::write(ready[1], "x", 1);
        ::pause();
        ::_exit(fd >= 0 ? 0 : 1);
    }
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);

    const std::vector<PortHolder> holders = portHolders(pty.slavePath());
    ASSERT_EQ(holders.size(), 1U);
    EXPECT_EQ(holders[0].pid, holder);
    SerialPort serial(4, 5);
    std::error_code cause;
    try {
        serial.openPort();
    } catch (const PortException& refused) {
        cause = refused.cause();
    }
    EXPECT_EQ(cause, std::error_code(EBUSY, std::generic_category()));
    EXPECT_FALSE(serial.isOpen());

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(portHolders(pty.slavePath()).empty());
    EXPECT_NO_THROW(serial.openPort());
}

} // namespace
