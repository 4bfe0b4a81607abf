#include "cli/instrument_state.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

struct StateAdvice {
    InstrumentState state;
    const char* recordName;
    const char* instrument;   // what state the instrument is in
    NextStep step;            // what it needs, whatever the failure
};

// Updated is the last state.
constexpr std::array<StateAdvice, static_cast<std::size_t>(InstrumentState::Updated) + 1> advice = {{
    {InstrumentState::Untouched, "untouched", "Мікропрограму VELTOR не змінено.", NextStep::None},
    {InstrumentState::WaitingUnchanged, "waiting unchanged",
     "Мікропрограму VELTOR не змінено, нічого не стерто; VELTOR чекає в режимі програмування.",
     NextStep::SwitchOffAndOn},
    {InstrumentState::ErasedOrPartlyWritten, "erased or partly written",
     "Мікропрограму VELTOR стерто або записано частково: так VELTOR не працюватиме, але його завантажувач "
     "цілий.",
     NextStep::UpdateFromOff},
    {InstrumentState::WrittenNotVerified, "written, not verified",
     "Мікропрограму VELTOR записано, але перевірка її не підтвердила: так VELTOR може не працювати, але його "
     "завантажувач цілий.",
     NextStep::UpdateFromOff},
    {InstrumentState::Updated, "verified",
     "Мікропрограму записано і перевірено, але VELTOR може ще чекати в режимі програмування.",
     NextStep::SwitchOffAndOn},
}};

constexpr bool inOrder()
{
    for (std::size_t i = 0; i < advice.size(); ++i)
        if (static_cast<std::size_t>(advice[i].state) != i)
            return false;
    return true;
}
static_assert(inOrder(), "one row for every state, in the order of the enumeration");

std::string stepText(NextStep step, const std::string& portArgument)
{
    switch (step) {
    case NextStep::None:
        break;
    case NextStep::SwitchOffAndOn:
        return " Щоб вивести його з режиму програмування, вимкніть і ввімкніть VELTOR.";
    case NextStep::UpdateFromOff:
        return " Вимкніть VELTOR, запустіть veltor-update update " + portArgument +
               " і ввімкніть VELTOR, коли команда попросить.";
    }
    return {};
}

} // namespace

const char* instrumentStateName(InstrumentState state)
{
    return advice.at(static_cast<std::size_t>(state)).recordName;
}

std::string instrumentAdvice(InstrumentState state, NextStep leastStep, const std::string& portArgument)
{
    const StateAdvice& row = advice.at(static_cast<std::size_t>(state));
    return row.instrument + stepText(std::max(row.step, leastStep), portArgument);
}
