#include "ports/adapter_info.h"

// Windows keeps an adapter's driver and latency timer in the registry of its
// own driver; the port's Device Manager page shows and changes them.
std::optional<AdapterDriver> adapterDriver(const std::string&)
{
    return std::nullopt;
}
