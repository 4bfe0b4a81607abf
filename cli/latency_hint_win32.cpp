#include "cli/latency_hint.h"

// Windows offers no request for it: the adapter's own driver keeps the timer,
// and its Device Manager page changes it for good.
std::string latencyAdvice(std::int32_t portNumber, const std::string&, const LowLatencyOutcome&)
{
    return "Зменшіть таймер затримки адаптера до 1 мс: Диспетчер пристроїв, Порти (COM і LPT), COM" +
           std::to_string(portNumber) +
           ", Властивості, Параметри порту, Додатково (Advanced), Latency Timer (msec) = 1; потім під'єднайте "
           "адаптер знову.";
}
