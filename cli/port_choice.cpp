#include "cli/port_choice.h"

#include <array>
#include <limits>

namespace {

std::optional<std::int32_t> decimal(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            value = std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

bool startsWithComIgnoringCase(std::string_view text)
{
    if (text.size() < 3)
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(text[0]) == 'c' && lower(text[1]) == 'o' && lower(text[2]) == 'm';
}

// The length of a leading "COM" in any of the spellings a technician may copy.
std::size_t comPrefixLength(std::string_view text)
{
    if (startsWithComIgnoringCase(text))
        return 3;
    // "СОМ" and "сом" in Cyrillic letters, as the window's first five port buttons read.
    static constexpr std::array<std::string_view, 2> cyrillic = {"\xD0\xA1\xD0\x9E\xD0\x9C",
                                                                 "\xD1\x81\xD0\xBE\xD0\xBC"};
    for (std::string_view prefix : cyrillic)
        if (text.starts_with(prefix))
            return prefix.size();
    return 0;
}

} // namespace

std::optional<std::int32_t> portNumberFromText(std::string_view text)
{
    if (text.starts_with("\\\\.\\"))
        text.remove_prefix(4);
    if (const std::size_t prefix = comPrefixLength(text))
        return decimal(text.substr(prefix));
    return decimal(text);
}

ResolvedPort choosePort(const std::string& text)
{
    if (const std::optional<std::int32_t> number = portNumberFromText(text))
        return resolvePort(*number);
    return resolveDevicePath(text);
}
