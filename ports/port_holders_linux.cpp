#include "ports/port_holders_scan.h"

#include "ports/system_files.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool allDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string linkTarget(const fs::path& link)
{
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.string();
}

// The number N of /dev/pts/N; none for other devices.
std::optional<std::string> ptyIndex(const std::string& devicePath)
{
    const std::string prefix = "/dev/pts/";
    if (!devicePath.starts_with(prefix) || !allDigits(devicePath.substr(prefix.size())))
        return std::nullopt;
    return devicePath.substr(prefix.size());
}

bool holdsPtyMaster(const fs::path& processDirectory, const fs::path& descriptor, const std::string& index)
{
    const std::string target = linkTarget(descriptor);
    if (target != "/dev/ptmx" && target != "/dev/pts/ptmx")
        return false;
    std::ifstream info(processDirectory / "fdinfo" / descriptor.filename());
    for (std::string line; std::getline(info, line);)
        if (line.starts_with("tty-index:")) {
            const std::size_t at = line.find_first_not_of(" \t", 10);
            return at != std::string::npos && line.substr(at) == index;
        }
    return false;
}

// Whether the process has the device open, not counting a process that is the
// other end of the same pseudo-terminal.
bool holds(const fs::path& processDirectory, const std::string& devicePath, const std::optional<std::string>& pty)
{
    std::error_code error;
    bool opened = false;
    for (fs::directory_iterator it(processDirectory / "fd", error), end; !error && it != end; it.increment(error)) {
        if (pty && holdsPtyMaster(processDirectory, it->path(), *pty))
            return false;
        opened = opened || linkTarget(it->path()) == devicePath;
    }
    return opened;
}

} // namespace

std::vector<PortHolder> portHoldersIn(const fs::path& processRoot, const std::string& devicePath, int ownPid)
{
    std::vector<PortHolder> holders;
    const std::optional<std::string> pty = ptyIndex(devicePath);
    std::error_code error;
    for (fs::directory_iterator it(processRoot, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!allDigits(name) || std::stoi(name) == ownPid)
            continue;
        if (holds(it->path(), devicePath, pty))
            holders.push_back({std::stoi(name), firstLineOf(it->path() / "comm")});
    }
    std::sort(holders.begin(), holders.end(), [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
    return holders;
}

std::vector<PortHolder> portHolders(const std::string& devicePath)
{
    std::error_code error;
    const fs::path real = fs::canonical(devicePath, error);
    if (error)
        return {};
    return portHoldersIn("/proc", real.string(), static_cast<int>(::getpid()));
}

bool heldByAnotherProgram(const std::error_code& openFailure)
{
    return openFailure == std::errc::device_or_resource_busy;
}

// A program of another user, whose descriptors this one may not read.
const char* anotherProgramHoldsText()
{
    return "зайнятий іншою програмою";
}
