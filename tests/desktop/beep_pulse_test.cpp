#include "desktop/beep.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// PULSE_SERVER names the sound server for the time of a test.
struct SoundServerNamed {
    explicit SoundServerNamed(const std::string& address)
    {
        if (const char* previous = std::getenv("PULSE_SERVER"))
            saved = previous;
        setenv("PULSE_SERVER", address.c_str(), 1);
    }
    ~SoundServerNamed() { saved ? setenv("PULSE_SERVER", saved->c_str(), 1) : unsetenv("PULSE_SERVER"); }
    std::optional<std::string> saved;
};

// A socket that takes connections into its queue and never answers: a sound
// server that hangs.
struct SilentServer {
    explicit SilentServer(const fs::path& at) : path(at)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        listening = descriptor >= 0 &&
                    bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                    listen(descriptor, 4) == 0;
    }
    ~SilentServer()
    {
        if (descriptor >= 0)
            close(descriptor);
        unlink(path.c_str());
    }
    fs::path path;
    int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool listening = false;
};

// Without a sound server that plays it (CI, ssh, a machine without a desktop)
// the tone is given up without a word on the console and without holding the
// caller for long; the same for a tone that is no tone at all.
TEST(PlatformBeep, WithoutASoundServerIsSilentAndReturnsWithinItsBound)
{
    const fs::path folder = fs::temp_directory_path() / ("veltor-beep-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const SilentServer hanging(folder / "hanging");
    ASSERT_TRUE(hanging.listening);

    struct Case {
        const char* scenario;
        fs::path server;
        int frequencyHz;
        int durationMs;
    } const cases[] = {
        {"no server at the address", folder / "none", 600, 100},
        {"a server that never answers", folder / "hanging", 600, 100},
        {"no frequency", folder / "hanging", 0, 100},
        {"no duration", folder / "hanging", 600, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        const SoundServerNamed named("unix:" + c.server.string());
        testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        platformBeep(c.frequencyHz, c.durationMs);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        // The tone's time and half a second for the server: a hang would be far longer.
        EXPECT_LT(took, std::chrono::seconds(3));
    }
    fs::remove_all(folder);
}

} // namespace
