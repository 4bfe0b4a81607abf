#include "cli/instrument_state.h"

std::string interruptionAdvice(InstrumentState state, const std::string& portArgument)
{
    const std::string again = "veltor-update update " + portArgument;
    switch (state) {
    case InstrumentState::Untouched:
        return "VELTOR не змінено.";
    case InstrumentState::WaitingUnchanged:
        return "мікропрограму VELTOR не змінено, він чекає в режимі програмування; "
               "вимкніть і ввімкніть його або запустіть " + again + ".";
    case InstrumentState::ErasedOrPartlyWritten:
        return "VELTOR стерто або записано частково, він чекає в режимі програмування. "
               "Не вимикайте його і запустіть " + again + " знову.";
    case InstrumentState::WrittenNotVerified:
        return "мікропрограму записано, але не перевірено; VELTOR чекає в режимі програмування. "
               "Не вимикайте його і запустіть " + again + " знову.";
    case InstrumentState::Updated:
        return "мікропрограму записано і перевірено; якщо VELTOR ще в режимі програмування, "
               "запустіть veltor-update leave " + portArgument + ".";
    }
    return {};
}
