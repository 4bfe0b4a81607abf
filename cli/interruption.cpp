#include "cli/interruption.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> noted{0};
static_assert(std::atomic<int>::is_always_lock_free, "the flag is set from a signal handler");

} // namespace

InterruptedException::InterruptedException(const std::string& name)
    : GeneralException("Перервано (" + name + ")"), requestName(name)
{
}

namespace interruption {

void request(int signalNumber)
{
    // Zero would read as "no request".
    noted.store(signalNumber != 0 ? signalNumber : SIGINT);
}

bool requested()
{
    return noted.load() != 0;
}

void clear()
{
    noted.store(0);
}

int requestNumber()
{
    return noted.load();
}

void throwIfRequested()
{
    if (requested())
        throw InterruptedException(requestName());
}

} // namespace interruption

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
