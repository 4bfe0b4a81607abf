#include "ports/port_names.h"

#include "ports/platform_ports.h"
#include "ports/port_scan.h"
#include "ports/port_numbers.h"
#include "ports/system_files.h"

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

// Maker, product and serial number of the USB device above a tty, read from
// the attribute files of the first directory on the way up that has them.
std::string usbDescription(const std::filesystem::path& ttyClassDirectory, const std::string& ttyName)
{
    std::error_code error;
    std::filesystem::path directory =
        std::filesystem::canonical(ttyClassDirectory / ttyName / "device", error);
    constexpr int levelsUp = 5;
    for (int level = 0; !error && level < levelsUp && directory.has_relative_path(); ++level) {
        if (std::filesystem::exists(directory / "product", error)) {
            std::string text;
            for (const char* attribute : {"manufacturer", "product", "serial"}) {
                const std::string value = firstLineOf(directory / attribute);
                if (!value.empty())
                    text += (text.empty() ? "" : " ") + value;
            }
            return text;
        }
        directory = directory.parent_path();
    }
    return {};
}

// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" reads "FTDI FT232R USB UART A50285BI".
std::string descriptionFromStableName(std::string name)
{
    if (name.rfind("usb-", 0) == 0)
        name.erase(0, 4);
    if (const std::size_t interfacePart = name.rfind("-if"); interfacePart != std::string::npos && interfacePart > 0)
        name.erase(interfacePart);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

} // namespace

// The scan gives numbers to the devices found, in its order: ten of them.
const std::int32_t lastPortNumber = 10;

// Linux asks nothing of the system that would be worth keeping.
PortSurvey::PortSurvey() = default;
PortSurvey::~PortSurvey() = default;

std::vector<std::int32_t> platformPresentPortNumbers()
{
    std::vector<std::int32_t> present;
    for (std::int32_t n = firstPortNumber; n <= lastPortNumber; ++n)
        if (!portDevicePath(n).empty())
            present.push_back(n);
    return present;
}

std::optional<AdapterName> adapterNameIn(const std::string& devicePath, const std::filesystem::path& byIdDirectory,
                                         const std::filesystem::path& ttyClassDirectory)
{
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(devicePath, error);
    if (error)
        return std::nullopt;
    std::vector<std::filesystem::path> links;
    for (const auto& entry : std::filesystem::directory_iterator(byIdDirectory, error))
        links.push_back(entry.path());
    std::sort(links.begin(), links.end());
    for (const std::filesystem::path& link : links) {
        std::error_code linkError;
        if (std::filesystem::canonical(link, linkError) != device || linkError)
            continue;
        std::string description = usbDescription(ttyClassDirectory, device.filename().string());
        if (description.empty())
            description = descriptionFromStableName(link.filename().string());
        return AdapterName{link.string(), description};
    }
    return std::nullopt;
}

std::optional<AdapterName> platformAdapterName(const std::string& devicePath)
{
    return adapterNameIn(devicePath, "/dev/serial/by-id", "/sys/class/tty");
}

// The kernel's RFCOMM terminals are the only Bluetooth serial ports Linux has.
bool platformIsBluetoothLink(const std::string& devicePath)
{
    constexpr std::string_view prefix = "rfcomm";
    std::error_code error;
    const std::filesystem::path device = std::filesystem::weakly_canonical(devicePath, error);
    const std::string name = (error ? std::filesystem::path(devicePath) : device).filename().string();
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::all_of(name.begin() + prefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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

std::string portDevicePath(std::int32_t portNumber)
{
    if (!isPortNumber(portNumber))
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
