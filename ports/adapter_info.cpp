#include "ports/adapter_info.h"

std::string adapterDriverText(const AdapterDriver& adapter)
{
    std::string text = "драйвер " + adapter.driver;
    if (adapter.latencyTimerMs)
        text += ", таймер затримки " + std::to_string(*adapter.latencyTimerMs) + " мс";
    return text;
}
