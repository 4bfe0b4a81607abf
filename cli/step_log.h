#pragma once

#include "common/run_step.h"

#include <optional>
#include <string>
#include <vector>

enum class StepResult { Ok, Failed, Declined, Skipped };

// The steps a run took, in order, with how each ended; and the step under way
// with the part of it that the core announced last.
class StepLog {
public:
    struct Entry {
        RunStep step;
        StepResult result;
        std::string detail;    // the core's message or a note; may be empty
    };

    void begin(RunStep step);
    void beginPhase(RunStep phase);
    // The step under way got through.
    void succeed();
    // The step under way, if any, failed for the cause.
    void fail(const std::string& cause);
    // The step under way ends without an entry of its own.
    void drop();
    void add(RunStep step, StepResult result, std::string detail = {});

    const std::optional<RunStep>& current() const { return step; }
    const std::optional<RunStep>& currentPhase() const { return phase; }
    const std::vector<Entry>& entries() const { return done; }
    // The step has an entry.
    bool took(RunStep entryStep) const;

private:
    std::optional<RunStep> step;
    std::optional<RunStep> phase;
    std::vector<Entry> done;
};
