#include "desktop/beep.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A directory of stand-in sound players, put alone on PATH for the test.
class FakePlayers {
public:
    FakePlayers()
    {
        std::string pattern = (fs::temp_directory_path() / "veltor-beep-XXXXXX").string();
        directory = mkdtemp(pattern.data());
        if (const char* path = std::getenv("PATH"))
            savedPath = path;
        setenv("PATH", directory.c_str(), 1);
    }
    ~FakePlayers()
    {
        setenv("PATH", savedPath.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    void add(const std::string& name, const std::string& body)
    {
        const fs::path file = fs::path(directory) / name;
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        chmod(file.c_str(), 0755);
    }

    fs::path file(const std::string& name) const { return fs::path(directory) / name; }

    bool waitFor(const std::string& name) const
    {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (fs::exists(file(name)))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string directory;

private:
    std::string savedPath;
};

std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes.at(at + i);
    return value;
}

TEST(PlatformBeep, PlaysA600HzToneOf100MsThroughTheFirstPlayerThatWorksWithoutWaitingForIt)
{
    FakePlayers players;
    const std::string dir = players.directory;
    // The first player has no sound device; the second one plays, slowly.
    players.add("pw-play", ": > '" + dir + "/tried-pw-play'; exit 1");
    players.add("paplay", "/bin/cat > '" + dir + "/tone.wav'\n"
                          "if [ -e /proc/$$/fd/200 ]; then : > '" + dir + "/leaked'; fi\n"
                          ": > '" + dir + "/played'\n"
                          "/bin/sleep 2");
    // A descriptor the tool holds (as it holds the serial port) must not reach the player.
    const int held = open("/dev/null", O_RDONLY);
    ASSERT_EQ(dup2(held, 200), 200);
    close(held);

    // Nor may the caller's standard output be held open by the tone: whoever
    // reads it would wait for the sound to end.
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    const int savedStdout = dup(STDOUT_FILENO);
    dup2(output[1], STDOUT_FILENO);
    close(output[1]);

    const auto start = Clock::now();
    platformBeep(600, 100);
    const auto returnedAfter = Clock::now() - start;
    int status = 0;
    const pid_t leftover = waitpid(-1, &status, WNOHANG);
    const int waitError = errno;

    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    ASSERT_TRUE(players.waitFor("played"));
    pollfd reader{output[0], POLLIN, 0};
    EXPECT_EQ(poll(&reader, 1, 1000), 1) << "standard output still held by the player";
    char byte;
    EXPECT_EQ(read(output[0], &byte, 1), 0);
    close(output[0]);
    close(200);
    EXPECT_LT(returnedAfter, std::chrono::milliseconds(1500));
    EXPECT_EQ(leftover, -1) << "a child is left to the caller";
    EXPECT_EQ(waitError, ECHILD);
    EXPECT_TRUE(fs::exists(players.file("tried-pw-play")));
    EXPECT_FALSE(fs::exists(players.file("leaked")));

    std::ifstream in(players.file("tone.wav"), std::ios::binary);
    const std::vector<std::uint8_t> wave{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GE(wave.size(), 44u);
    EXPECT_EQ(std::string(wave.begin(), wave.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wave.begin() + 8, wave.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(littleEndian(wave, 20, 2), 1u);  // PCM
    EXPECT_EQ(littleEndian(wave, 22, 2), 1u);  // mono
    EXPECT_EQ(littleEndian(wave, 34, 2), 16u); // bits per sample
    const std::uint32_t rate = littleEndian(wave, 24, 4);
    const std::uint32_t dataBytes = littleEndian(wave, 40, 4);
    ASSERT_EQ(wave.size(), 44u + dataBytes);
    const std::uint32_t samples = dataBytes / 2;
    EXPECT_NEAR(samples * 1000.0 / rate, 100.0, 1.0);

    // 600 Hz over 100 ms: 60 periods, about 120 sign changes.
    int signChanges = 0;
    int previousSign = 0;
    for (std::uint32_t i = 0; i < samples; ++i) {
        const auto sample = static_cast<std::int16_t>(littleEndian(wave, 44 + 2 * i, 2));
        const int sign = (sample > 0) - (sample < 0);
        if (sign == 0)
            continue;
        if (previousSign != 0 && sign != previousSign)
            ++signChanges;
        previousSign = sign;
    }
    EXPECT_NEAR(signChanges, 120, 4);
}

TEST(PlatformBeep, WithoutAnyPlayerReturnsQuietly)
{
    FakePlayers players;
    platformBeep(600, 100);
    platformBeep(0, 100);
    platformBeep(600, -1);
    int status = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
}

} // namespace
