// A run that the instrument abandons half-way waits out the channel's
// time-out, so it lives apart from the quick runs.
#include "tests/job/simulated_run.h"

#include <gtest/gtest.h>

namespace {

// Well inside the flash write, whatever the probe cost.
constexpr std::int64_t midRunBytes = 40000;

TEST_F(SimulatedRun, InstrumentFallingSilentMidRunTimesOutAndClosesThePort)
{
    sim::Config config;
    config.faults.silentAfterBytes = midRunBytes;
    start(config);
    JobInfo job;

    try {
        job.runJob(port);
        FAIL() << "the run succeeded";
    } catch (const TimeoutException& failure) {
        EXPECT_EQ(failure.message(), "Таймаут протягом операції читання з COM порту!");
    }
    EXPECT_EQ(frontend.beeps(), 0);
    EXPECT_TRUE(frontend.notices.empty());
    expectPortReleased();
}

} // namespace
