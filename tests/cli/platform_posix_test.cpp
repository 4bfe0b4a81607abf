#include "cli/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The hint comes from the system's error alone; the device is not asked again.
TEST(PortAccessHint, ReadsTheCause)
{
    const std::string device = "/dev/veltor-test-no-such-device";
    const struct {
        int error;
        const char* expected; // empty: no hint
    } cases[] = {
        {0, ""},
        {ENOENT, "немає: перевірте кабель і адаптер"},
        {ENXIO, "немає: перевірте кабель і адаптер"},
        {EACCES, "Немає дозволу на /dev/veltor-test-no-such-device"},
        {EBUSY, "зайнятий іншою програмою"},
        {ENOTTY, "не є послідовним портом"},
        {EIO, "втрачено"},
        {ETIMEDOUT, "не приймає даних"},
        {EINVAL, "Система повідомляє"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        const std::error_code cause = c.error ? std::error_code(c.error, std::generic_category()) : std::error_code();
        const std::string hint = portAccessHint(device, cause);
        if (*c.expected == '\0')
            EXPECT_EQ(hint, "");
        else
            EXPECT_TRUE(contains(hint, c.expected)) << hint;
    }
    EXPECT_TRUE(contains(portAccessHint("", std::make_error_code(std::errc::no_such_device)),
                         "За цим портом немає пристрою"));
}

} // namespace
