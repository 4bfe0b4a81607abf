#include "ports/port_numbers.h"

#include <algorithm>

bool isPortNumber(std::int32_t number)
{
    return number >= firstPortNumber && number <= lastPortNumber;
}

std::vector<std::int32_t> portButtonNumbers(std::vector<std::int32_t> present, std::size_t buttons)
{
    std::sort(present.begin(), present.end());
    present.erase(std::unique(present.begin(), present.end()), present.end());
    const auto lastOwn = static_cast<std::int32_t>(buttons);
    auto beyond = std::upper_bound(present.begin(), present.end(), lastOwn);
    std::vector<std::int32_t> numbers;
    for (std::int32_t own = 1; own <= lastOwn; ++own) {
        const bool ownPresent = std::binary_search(present.begin(), present.end(), own);
        numbers.push_back(!ownPresent && beyond != present.end() ? *beyond++ : own);
    }
    return numbers;
}
