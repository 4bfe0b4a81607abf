#include "ports/adapter_info.h"

std::string adapterDriverText(const AdapterDriver& adapter)
{
    if (adapter.builtIn)
        return "вбудований послідовний порт комп'ютера";
    std::string text = "драйвер " + adapter.driver;
    if (adapter.latencyTimerMs)
        text += ", таймер затримки " + std::to_string(*adapter.latencyTimerMs) + " мс";
    return text;
}
