#include "cli/record_file.h"

#include "cli/platform.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The file the record is finally written to: a link is followed, so that the
// record replaces the file it names and not the link itself.
fs::path finalTarget(const fs::path& path)
{
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error))) {
        const fs::path resolved = fs::weakly_canonical(path, error);
        if (!error)
            return resolved;
    }
    return path;
}

fs::path folderOf(const fs::path& path)
{
    const fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

fs::path temporaryBeside(const fs::path& target)
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    // Appended piece by piece: GCC 12 at -O3 takes "." + a temporary string for an overlapping copy.
    std::string name(".");
    name += target.filename().string();
    name += ".tmp-" + std::to_string(stamp) + "-" + std::to_string(counter++);
    return folderOf(target) / name;
}

// Writes the text into a file of a name nobody else uses, through to the disk.
bool writeNewFile(const fs::path& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
                         std::fflush(file) == 0 && flushToDisk(file);
    return std::fclose(file) == 0 && written;
}

std::string cannotWrite(const std::string& path, const std::string& why)
{
    return "--report: протокол не можна записати у " + path + ": " + why;
}

} // namespace

std::string recordPathProblem(const std::string& path, const std::string& portDevice)
{
    if (path.empty())
        return cannotWrite(path, "не вказано файл");
    const fs::path target = finalTarget(path);
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (fs::is_directory(status))
        return cannotWrite(path, "це папка");
    if (sameDevice(target.string(), portDevice) || sameDevice(path, portDevice))
        return cannotWrite(path, "це пристрій порту");
    if (fs::exists(status) && !fs::is_regular_file(status))
        return cannotWrite(path, "це не звичайний файл");
    const fs::path folder = folderOf(target);
    if (!fs::is_directory(fs::status(folder, error)))
        return cannotWrite(path, "папки " + folder.string() + " немає");
    // Only a file actually created there proves that the place takes one.
    const fs::path probe = temporaryBeside(target);
    if (!writeNewFile(probe, {}))
        return cannotWrite(path, "немає дозволу на запис у папку " + folder.string());
    fs::remove(probe, error);
    return {};
}

bool writeRecordFile(const std::string& path, const std::string& text, std::string& problem)
{
    const fs::path target = finalTarget(path);
    const fs::path temporary = temporaryBeside(target);
    std::error_code error;
    if (!writeNewFile(temporary, text)) {
        fs::remove(temporary, error);
        problem = cannotWrite(path, "запис не вдався");
        return false;
    }
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        problem = cannotWrite(path, error.message());
        return false;
    }
    return true;
}
