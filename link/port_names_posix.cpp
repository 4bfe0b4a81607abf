#include "link/port_names.h"

#include "link/port_scan.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace {

constexpr std::array<std::string_view, 3> families = {"ttyUSB", "ttyACM", "ttyS"};
constexpr std::size_t longestNumber = 9;

struct Candidate {
    std::size_t family;
    unsigned long number;
    std::string name;
};

std::optional<Candidate> classify(const std::string& name)
{
    for (std::size_t family = 0; family < families.size(); ++family) {
        const std::string_view prefix = families[family];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string digits = name.substr(prefix.size());
        const bool numeric = digits.size() <= longestNumber &&
                             std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (numeric)
            return Candidate{family, std::stoul(digits), name};
    }
    return std::nullopt;
}

std::vector<std::string> characterDevicesIn(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        std::error_code statusError;
        if (entry.is_character_file(statusError))
            names.push_back(entry.path().filename().string());
    }
    return names;
}

} // namespace

std::vector<std::string> orderPortDevices(const std::vector<std::string>& deviceNames)
{
    std::vector<Candidate> candidates;
    for (const std::string& name : deviceNames) {
        if (auto candidate = classify(name))
            candidates.push_back(*candidate);
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.family != b.family)
            return a.family < b.family;
        return a.number != b.number ? a.number < b.number : a.name < b.name;
    });
    std::vector<std::string> ordered;
    for (const Candidate& candidate : candidates)
        ordered.push_back(candidate.name);
    return ordered;
}

std::string portDevicePath(int portNumber)
{
    if (portNumber < 1)
        return {};
    const std::string variable = "VELTOR_COM" + std::to_string(portNumber);
    if (const char* mapped = std::getenv(variable.c_str()); mapped && *mapped)
        return mapped;
    const std::filesystem::path devices = "/dev";
    const std::vector<std::string> ordered = orderPortDevices(characterDevicesIn(devices));
    const auto index = static_cast<std::size_t>(portNumber - 1);
    if (index >= ordered.size())
        return {};
    return (devices / ordered[index]).string();
}
