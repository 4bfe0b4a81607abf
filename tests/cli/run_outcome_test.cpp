#include "cli/run_outcome.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Only the erase and the write of a program step touch the flash; the read-back
// of a verify leaves the instrument as it was.
TEST(RunOutcome, HowFarTheRunGotFollowsThePartsOfTheJob)
{
    using enum RunStep;
    const struct {
        RunStep step;
        std::vector<RunStep> phases;
        bool verified;
        InstrumentState reached;
    } cases[] = {
        {Program, {}, false, InstrumentState::Untouched},
        {Program, {Erase, Write}, false, InstrumentState::ErasedOrPartlyWritten},
        {Program, {Erase, Write, ReadBack}, false, InstrumentState::WrittenNotVerified},
        {Program, {Erase, Write, ReadBack, Compare}, true, InstrumentState::Updated},
        {Verify, {ReadBack, Compare}, false, InstrumentState::Untouched},
    };
    for (const auto& c : cases) {
        RunOutcome outcome(Command::Update, "COM3");
        outcome.steps.begin(c.step);
        for (const RunStep phase : c.phases)
            outcome.phaseStarted(phase);
        if (c.verified)
            outcome.passVerification();
        EXPECT_EQ(outcome.reached, c.reached) << c.phases.size() << " parts of " << stepRecordName(c.step);
    }
}

} // namespace
