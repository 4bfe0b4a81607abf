#include "cli/instrument_state.h"
#include "cli/interruption.h"
#include "cli/permission_advice.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <string>

#include <unistd.h>

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Telling someone that nothing changed when the flash is half written is
// harmful: each state has its own one-line advice, naming the port where
// there is something to run on it; a failure may ask for more than the state.
TEST(InstrumentAdvice, DiffersWithHowFarTheRunGot)
{
    const struct {
        InstrumentState state;
        NextStep leastStep;
        bool namesThePort;
    } cases[] = {
        {InstrumentState::Untouched, NextStep::None, false},
        {InstrumentState::WaitingUnchanged, NextStep::None, false},
        {InstrumentState::ErasedOrPartlyWritten, NextStep::None, true},
        {InstrumentState::WrittenNotVerified, NextStep::None, true},
        {InstrumentState::Updated, NextStep::None, false},
        {InstrumentState::WaitingUnchanged, NextStep::UpdateFromOff, true},
    };
    std::set<std::string> seen;
    for (const auto& c : cases) {
        const std::string advice = instrumentAdvice(c.state, c.leastStep, "COM3");
        EXPECT_TRUE(seen.insert(advice).second) << "the same advice for another state: " << advice;
        EXPECT_EQ(contains(advice, "update COM3"), c.namesThePort) << advice;
        EXPECT_EQ(advice.find('\n'), std::string::npos) << advice;
    }
}

// The handlers only note the request; the run raises it where it is safe.
TEST(Interruption, SignalsAreNotedAndAClosedPipeNoLongerEndsTheProcess)
{
    interruption::install();
    for (const auto& [number, name] : {std::pair{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}}) {
        interruption::clear();
        EXPECT_NO_THROW(interruption::throwIfRequested());
        ASSERT_EQ(::raise(number), 0);
        ASSERT_TRUE(interruption::requested()) << name;
        EXPECT_EQ(interruption::requestName(), name);
        try {
            interruption::throwIfRequested();
            ADD_FAILURE() << "no exception for " << name;
        } catch (const InterruptedException& stop) {
            EXPECT_EQ(stop.request(), name);
        }
    }
    interruption::clear();

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    errno = 0;
    EXPECT_EQ(::write(ends[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[1]);
}

TEST(PermissionAdvice, SuggestsAGroupOnlyWhereJoiningItGivesAccess)
{
    const struct {
        const char* group;
        unsigned mode;
        const char* says;
        bool suggestsJoining;
    } cases[] = {
        {"dialout", 0660, "sudo usermod -aG dialout", true},
        {"uucp", 0660, "sudo usermod -aG uucp", true},
        {"dialout", 0600, "права rw-------", false},
        {"dialout", 0640, "права rw-r-----", false},
        {"root", 0660, "Власник root, група root", false},
        {"0", 0666, "група 0", false},
        {"wheel", 0660, "група wheel", false},
    };
    for (const auto& c : cases) {
        const std::string advice = permissionAdvice({"/dev/ttyUSB0", "root", c.group, c.mode});
        EXPECT_TRUE(contains(advice, "Немає дозволу на /dev/ttyUSB0")) << advice;
        EXPECT_TRUE(contains(advice, c.says)) << advice;
        EXPECT_EQ(contains(advice, "usermod"), c.suggestsJoining) << advice;
    }
}

} // namespace
