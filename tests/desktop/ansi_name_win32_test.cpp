// The names handed to ShellExecuteA: exact in the ANSI code page, or the short
// form, or nothing; never a name with a '?' or a look-alike letter in it.
#include "desktop/ansi_name.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>

namespace {

constexpr unsigned western = 1252;
constexpr unsigned cyrillic = 1251;

const std::wstring folder = L"C:\\Users\\\u041e\u043b\u0435\u043d\u0430\\"                    // Олена
                            L"\u0417\u0430\u0432\u0430\u043d\u0442\u0430\u0436\u0435\u043d\u043d\u044f" // Завантаження
                            L"\\VELTOR Update";

struct Exact {
    const char* scenario;
    std::wstring name;
    unsigned codePage;
    std::string bytes;
};

TEST(AnsiName, RepresentableNamesAreHandedOnExactly)
{
    const Exact cases[] = {
        {"ASCII, western", L"Help.mht", western, "Help.mht"},
        {"accented letter, western", L"Caf\u00e9\\Help.mht", western, "Caf\xe9\\Help.mht"},
        {"Ukrainian letters, Cyrillic", folder + L"\\Help.mht", cyrillic,
         "C:\\Users\\\xce\xeb\xe5\xed\xe0\\\xc7\xe0\xe2\xe0\xed\xf2\xe0\xe6\xe5\xed\xed\xff\\VELTOR Update\\Help.mht"},
        {"\u0454 \u0456 \u0457 \u0491, Cyrillic", L"\u0454\u0456\u0457\u0491", cyrillic, "\xba\xb3\xbf\xb4"},
        {"Cyrillic, UTF-8 as the ANSI code page", L"\u041e\u043b\u0435\u043d\u0430", CP_UTF8,
         "\xd0\x9e\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xb0"},
        {"empty", L"", western, ""},
    };
    for (const Exact& c : cases)
        EXPECT_EQ(ansiName(c.name, c.codePage), c.bytes) << c.scenario;
}

TEST(AnsiName, MissingFileThatTheCodePageCannotNameHasNoName)
{
    // WideCharToMultiByte alone makes "?" of the Cyrillic and "l" of the "ł".
    EXPECT_EQ(ansiName(folder + L"\\Help.mht", western), std::nullopt);
    EXPECT_EQ(ansiName(L"C:\\no-such-folder\\\u0142.mht", western), std::nullopt);
    EXPECT_EQ(ansiName(L"\u0100\u4e2d.mht", cyrillic), std::nullopt);
}

// Wine, like NTFS by default, gives every long name an 8.3 form: the name goes
// by it. A volume with 8.3 names switched off has none, and then the file
// cannot be named to the ANSI call at all rather than by a name with a '?'.
TEST(AnsiName, ExistingFileThatTheCodePageCannotNameGoesByItsShortFormWhereTheVolumeHasOne)
{
    const std::filesystem::path base = std::filesystem::temp_directory_path() / L"ansi-name-test";
    const std::filesystem::path named = base / L"\u0417\u0430\u0432\u0430\u043d\u0442\u0430\u0436\u0435\u043d\u043d\u044f VELTOR";
    std::filesystem::create_directories(named);
    const std::wstring file = (named / L"Help.mht").wstring();
    HANDLE created = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    CloseHandle(created);

    wchar_t shortName[MAX_PATH];
    const DWORD shortLength = GetShortPathNameW(file.c_str(), shortName, MAX_PATH);
    const std::optional<std::string> name = ansiName(file, western);
    std::filesystem::remove_all(base);
    ASSERT_GT(shortLength, 0u);
    const bool volumeHasShortNames = std::wstring(shortName, shortLength) != file;

    if (!volumeHasShortNames) {
        EXPECT_EQ(name, std::nullopt) << "a volume without 8.3 names";
        return;
    }
    ASSERT_TRUE(name.has_value());
    EXPECT_TRUE(std::all_of(name->begin(), name->end(), [](char c) { return c > 0 && c < 0x7f; })) << *name;
    EXPECT_EQ(*name, std::string(shortName, shortName + shortLength));
}

} // namespace
