#include "ports/latency_timer.h"

// The adapter's own driver keeps the timer in the device's registry key; its
// page in Device Manager changes it for good.
std::string latencyTimerNotice(const AdapterDriver& adapter, const std::string&)
{
    return "Таймер затримки FTDI " + std::to_string(adapter.latencyTimerMs.value_or(0)) +
           " мс → 1 мс: Диспетчер пристроїв › Параметри порту › Додатково";
}

std::string latencyTimerSteps(const ResolvedPort& port)
{
    return "Зменшіть таймер затримки адаптера до 1 мс: Диспетчер пристроїв, Порти (COM і LPT), " + port.name +
           ", Властивості, Параметри порту, Додатково (Advanced), Latency Timer (msec) = 1; потім під'єднайте "
           "адаптер знову.";
}
