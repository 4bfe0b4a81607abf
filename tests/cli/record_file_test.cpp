#include "cli/record_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string content(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class RecordFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "veltor-record-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(folder / "locked", fs::perms::owner_all, ignored);
        fs::remove_all(folder, ignored);
    }
    fs::path folder;
};

TEST_F(RecordFile, APlaceThatCannotTakeTheRecordIsRefusedBeforeTheRun)
{
    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const bool root = ::geteuid() == 0;
    const std::string port = "/dev/null";
    const struct {
        std::string path;
        const char* problem;   // empty: accepted
    } cases[] = {
        {(folder / "record.json").string(), ""},
        {"", "не вказано файл"},
        {folder.string(), "це папка"},
        {(folder / "missing" / "record.json").string(), "немає"},
        // A root user may write anywhere but a pseudo file system.
        {root ? "/proc/veltor-record.json" : (folder / "locked" / "record.json").string(), "немає дозволу"},
        {port, "це пристрій порту"},
        {"/dev/zero", "не звичайний файл"},
    };
    for (const auto& c : cases) {
        const std::string problem = recordPathProblem(c.path, port);
        if (*c.problem == '\0')
            EXPECT_EQ(problem, "") << c.path;
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << c.path << ": " << problem;
    }
    // The check leaves nothing behind.
    EXPECT_TRUE(fs::is_empty(folder / "locked") || root);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(RecordFile, AnEarlierRecordIsReplacedWholeAlsoThroughALink)
{
    const fs::path record = folder / "record.json";
    std::ofstream(record) << std::string(1000, 'x');
    std::string problem;
    ASSERT_TRUE(writeRecordFile(record.string(), "{\"new\": 1}\n", problem)) << problem;
    EXPECT_EQ(content(record), "{\"new\": 1}\n");

    const fs::path link = folder / "latest.json";
    fs::create_symlink(record, link);
    ASSERT_TRUE(writeRecordFile(link.string(), "{\"new\": 2}\n", problem)) << problem;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(content(record), "{\"new\": 2}\n");
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

} // namespace
