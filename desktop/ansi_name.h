#pragma once

#include <optional>
#include <string>

// A name for the Windows shell's ANSI calls (ShellExecuteA), which read it in
// the system's ANSI code page: the name itself in that code page when each of
// its characters is there exactly (never a look-alike "best fit" letter, which
// would name another file), else its short 8.3 form when that one is, else
// nothing. A code page of 0 is the system's ANSI code page.
std::optional<std::string> ansiName(const std::wstring& name, unsigned codePage = 0);
