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
