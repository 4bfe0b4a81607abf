#include "common/run_step.h"

#include <array>
#include <cstddef>

namespace {

struct StepWords {
    RunStep step;
    const char* recordName;
    const char* label;
};

// Leave is the last step.
constexpr std::array<StepWords, static_cast<std::size_t>(RunStep::Leave) + 1> words = {{
    {RunStep::Handshake, "handshake", "з'єднання"},
    {RunStep::Identifier, "identifier", "ідентифікатор"},
    {RunStep::Versions, "versions", "версії"},
    {RunStep::Signature, "signature", "сигнатура"},
    {RunStep::Confirmation, "confirmation", "підтвердження"},
    {RunStep::Program, "program", "програмування"},
    {RunStep::Verify, "verify", "верифікація"},
    {RunStep::Erase, "erase", "стирання"},
    {RunStep::Write, "write", "запис"},
    {RunStep::ReadBack, "read-back", "читання"},
    {RunStep::Compare, "compare", "перевірка"},
    {RunStep::Leave, "leave", "вихід з програмування"},
}};

constexpr bool inOrder()
{
    for (std::size_t i = 0; i < words.size(); ++i)
        if (static_cast<std::size_t>(words[i].step) != i)
            return false;
    return true;
}
static_assert(inOrder(), "one row for every step, in the order of the enumeration");

const StepWords& wordsFor(RunStep step)
{
    return words.at(static_cast<std::size_t>(step));
}

} // namespace

const char* stepRecordName(RunStep step)
{
    return wordsFor(step).recordName;
}

const char* stepLabel(RunStep step)
{
    return wordsFor(step).label;
}
