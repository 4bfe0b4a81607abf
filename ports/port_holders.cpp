#include "ports/port_holders.h"

std::string holdersText(const std::vector<PortHolder>& holders)
{
    std::string text;
    for (const PortHolder& holder : holders) {
        if (!text.empty())
            text += ", ";
        text += holder.name + " (PID " + std::to_string(holder.pid) + ")";
    }
    return text;
}
