#include "desktop/standard_streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool onNullDevice(int fd)
{
    struct stat opened {};
    struct stat null {};
    return ::fstat(fd, &opened) == 0 && ::stat("/dev/null", &null) == 0 && opened.st_rdev == null.st_rdev &&
           S_ISCHR(opened.st_mode);
}

// Started with a standard stream closed (a script's >&-, <&-, 2>&-), the
// next file opened (a port) would take its number and get the console's text.
TEST(StandardStreams, ClosedOnesAreOpenedOnTheNullDeviceBeforeAnythingElse)
{
    for (int closed = 0; closed <= 2; ++closed) {
        SCOPED_TRACE(closed);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(closed);
            ::close(closed == 0 ? 1 : 0);           // two at once, for good measure
            openMissingStandardStreams();
            const int next = ::open("/dev/zero", O_RDONLY);
            const bool ok = onNullDevice(closed) && onNullDevice(closed == 0 ? 1 : 0) && next > 2;
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

// Streams that are open stay as they are.
TEST(StandardStreams, OpenOnesAreLeftAlone)
{
    struct stat before {};
    ASSERT_EQ(::fstat(2, &before), 0);
    openMissingStandardStreams();
    struct stat after {};
    ASSERT_EQ(::fstat(2, &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(before.st_dev, after.st_dev);
}

} // namespace
