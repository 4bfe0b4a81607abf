#include "desktop/beep.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// The tone is played by the first command-line player of the sound system that
// accepts it, in a detached process, so the caller does not wait for the sound.
// If none plays it (no player installed, no sound device), the terminal bell
// rings instead. Everything a forked process does is plain system calls: the
// caller may have other threads, so the player's path, its arguments and the
// sound itself are all prepared before the fork.

namespace {

constexpr int sampleRate = 22050;

struct Player {
    std::string path;
    std::vector<std::string> arguments;
};

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void appendText(std::vector<std::uint8_t>& bytes, const char* text)
{
    bytes.insert(bytes.end(), text, text + std::strlen(text));
}

// A mono 16-bit PCM WAV file of a sine tone, faded in and out over a few
// milliseconds so that it starts and stops without a click.
std::vector<std::uint8_t> toneWave(int frequencyHz, int durationMs)
{
    const auto samples = static_cast<std::uint32_t>(static_cast<std::int64_t>(sampleRate) * durationMs / 1000);
    const std::uint32_t dataBytes = samples * 2;
    std::vector<std::uint8_t> wave;
    wave.reserve(44 + dataBytes);
    appendText(wave, "RIFF");
    appendLittleEndian(wave, 36 + dataBytes, 4);
    appendText(wave, "WAVEfmt ");
    appendLittleEndian(wave, 16, 4);         // format chunk size
    appendLittleEndian(wave, 1, 2);          // PCM
    appendLittleEndian(wave, 1, 2);          // mono
    appendLittleEndian(wave, sampleRate, 4);
    appendLittleEndian(wave, sampleRate * 2, 4);
    appendLittleEndian(wave, 2, 2);          // bytes per frame
    appendLittleEndian(wave, 16, 2);         // bits per sample
    appendText(wave, "data");
    appendLittleEndian(wave, dataBytes, 4);

    const double amplitude = 0.4 * 32767;
    const std::uint32_t fadeSamples = std::min<std::uint32_t>(sampleRate / 200, samples / 2);
    for (std::uint32_t i = 0; i < samples; ++i) {
        double envelope = 1.0;
        if (fadeSamples > 0)
            envelope = std::min({1.0, double(i) / fadeSamples, double(samples - 1 - i) / fadeSamples});
        const double value =
            amplitude * envelope * std::sin(2 * std::numbers::pi * frequencyHz * double(i) / sampleRate);
        appendLittleEndian(wave, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value))), 2);
    }
    return wave;
}

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (!path)
        return {};
    const std::string_view directories = path;
    std::size_t begin = 0;
    while (begin <= directories.size()) {
        std::size_t end = directories.find(':', begin);
        if (end == std::string_view::npos)
            end = directories.size();
        const std::string_view directory = directories.substr(begin, end - begin);
        // An empty entry stands for the current directory.
        std::string candidate(directory.empty() ? std::string_view(".") : directory);
        candidate += '/';
        candidate += name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        begin = end + 1;
    }
    return {};
}

// Each reads a WAV file from its standard input.
std::vector<Player> installedPlayers()
{
    const Player known[] = {
        {"pw-play", {"pw-play", "-"}},
        {"paplay", {"paplay"}},
        {"aplay", {"aplay", "-q"}},
    };
    std::vector<Player> found;
    for (const Player& player : known) {
        const std::string path = findOnPath(player.path);
        if (!path.empty())
            found.push_back({path, player.arguments});
    }
    return found;
}

void ringTerminalBell()
{
    const int terminal = open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0)
        return;
    const ssize_t written = write(terminal, "\a", 1);
    (void)written;
    close(terminal);
}

// Reaps the child; true when it exited with status 0.
bool exitedCleanly(pid_t child)
{
    int status = 0;
    pid_t result;
    do {
        result = waitpid(child, &status, 0);
    } while (result < 0 && errno == EINTR);
    return result == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void writeAll(int descriptor, const std::uint8_t* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = write(descriptor, bytes, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

// In the detached process: feeds the tone to one player and tells whether it
// played it.
bool playWith(char* const* argv, const char* path, const std::vector<std::uint8_t>& wave)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    const pid_t player = fork();
    if (player < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return false;
    }
    if (player == 0) {
        dup2(pipeEnds[0], STDIN_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execve(path, argv, environ);
        _exit(127);
    }
    close(pipeEnds[0]);
    writeAll(pipeEnds[1], wave.data(), wave.size());
    close(pipeEnds[1]);
    return exitedCleanly(player);
}

// Runs in the grandchild of the caller, which nobody waits for: once it ends,
// the system reaps it.
[[noreturn]] void playDetached(const std::vector<Player>& players, const std::vector<std::vector<char*>>& argvs,
                               const std::vector<std::uint8_t>& wave, long descriptorLimit)
{
    // Drop every descriptor inherited from the tool (the serial port above
    // all), so that nothing of it stays open while the tone plays.
    if (syscall(SYS_close_range, 3U, ~0U, 0U) != 0) {
        for (long descriptor = 3; descriptor < descriptorLimit; ++descriptor)
            close(static_cast<int>(descriptor));
    }
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
    // Nor the caller's standard streams: a pipe the tool writes to must see its
    // end when the tool ends, not when the tone does.
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            dup2(devNull, stream);
        if (devNull > STDERR_FILENO)
            close(devNull);
    }
    for (std::size_t i = 0; i < players.size(); ++i) {
        if (playWith(argvs[i].data(), players[i].path.c_str(), wave))
            _exit(0);
    }
    const int terminal = open("/dev/tty", O_WRONLY | O_NOCTTY);
    if (terminal >= 0) {
        const ssize_t written = write(terminal, "\a", 1);
        (void)written;
    }
    _exit(0);
}

} // namespace

void platformBeep(int frequencyHz, int durationMs)
{
    if (frequencyHz <= 0 || durationMs <= 0)
        return;
    frequencyHz = std::clamp(frequencyHz, 20, sampleRate / 2 - 1);
    durationMs = std::min(durationMs, 5000);

    std::vector<Player> players = installedPlayers();
    if (players.empty()) {
        ringTerminalBell();
        return;
    }
    const std::vector<std::uint8_t> wave = toneWave(frequencyHz, durationMs);
    std::vector<std::vector<char*>> argvs;
    for (Player& player : players) {
        std::vector<char*> argv;
        for (std::string& argument : player.arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        argvs.push_back(std::move(argv));
    }

    // Fork twice: the middle process ends at once and is reaped here, so the
    // caller neither waits for the sound nor is left with a zombie.
    const long descriptorLimit = std::clamp(sysconf(_SC_OPEN_MAX), 256L, 65536L);
    const pid_t middle = fork();
    if (middle < 0) {
        ringTerminalBell();
        return;
    }
    if (middle == 0) {
        const pid_t detached = fork();
        if (detached == 0)
            playDetached(players, argvs, wave, descriptorLimit);
        if (detached < 0)
            ringTerminalBell();
        _exit(0);
    }
    exitedCleanly(middle);
}
