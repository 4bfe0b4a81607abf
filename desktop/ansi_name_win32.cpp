#include "desktop/ansi_name.h"

#include <windows.h>

namespace {

std::optional<std::string> exactlyIn(const std::wstring& text, UINT codePage)
{
    if (text.empty())
        return std::string();
    // UTF-8 holds every character, and takes neither the flag nor the check.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int units = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, flags, text.data(), units, nullptr, 0, nullptr, utf8 ? nullptr : &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, flags, text.data(), units, bytes.data(), length, nullptr, nullptr) != length)
        return std::nullopt;
    return bytes;
}

// Where the volume keeps no 8.3 names this is the name itself.
std::optional<std::wstring> shortForm(const std::wstring& name)
{
    const DWORD size = GetShortPathNameW(name.c_str(), nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring shortName(size, L'\0');
    const DWORD length = GetShortPathNameW(name.c_str(), shortName.data(), size);
    if (length == 0 || length >= size)
        return std::nullopt;
    shortName.resize(length);
    return shortName;
}

} // namespace

std::optional<std::string> ansiName(const std::wstring& name, unsigned codePage)
{
    const UINT page = codePage == CP_ACP ? GetACP() : codePage;
    if (auto exact = exactlyIn(name, page))
        return exact;
    if (auto shortName = shortForm(name))
        return exactlyIn(*shortName, page);
    return std::nullopt;
}
