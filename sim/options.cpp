#include "sim/options.h"

#include <cctype>
#include <functional>
#include <sstream>

namespace sim {
namespace {

long long parseNumber(const std::string& text, long long low, long long high)
{
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used, 0);
    } catch (const std::exception&) {
        throw OptionError("not a number: '" + text + "'");
    }
    if (used != text.size() || value < low || value > high)
        throw OptionError("'" + text + "' is not a number from " + std::to_string(low) + " to " + std::to_string(high));
    return value;
}

int parseInt(const std::string& text, int low = -1)
{
    return static_cast<int>(parseNumber(text, low, 0x7FFFFFFF));
}

// A byte as a number (13, 0x3F) or as one printable character ('A').
std::uint8_t parseByte(const std::string& text)
{
    if (text.size() == 1 && !std::isdigit(static_cast<unsigned char>(text[0])))
        return static_cast<std::uint8_t>(text[0]);
    return static_cast<std::uint8_t>(parseNumber(text, 0, 255));
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

// "2.10" gives the bytes 2 and 10: each side is a binary byte, not digits.
void parseVersion(const std::string& text, std::uint8_t& major, std::uint8_t& minor)
{
    const auto parts = split(text, '.');
    if (parts.size() != 2)
        throw OptionError("a version is MAJOR.MINOR, not '" + text + "'");
    major = static_cast<std::uint8_t>(parseNumber(parts[0], 0, 255));
    minor = static_cast<std::uint8_t>(parseNumber(parts[1], 0, 255));
}

// KIND:K or KIND:K:BYTE, as in BF:3 or e:1:0x3F.
void parseCommandFault(const std::string& text, std::string& kind, int& index, std::uint8_t* byte)
{
    const auto parts = split(text, ':');
    const std::size_t most = byte ? 3 : 2;
    if (parts.size() < 2 || parts.size() > most || parts[0].empty() || parts[0].size() > 2)
        throw OptionError("a command fault is KIND:K" + std::string(byte ? "[:BYTE]" : "") + ", not '" + text + "'");
    kind = parts[0];
    index = static_cast<int>(parseNumber(parts[1], 1, 0x7FFFFFFF));
    if (byte && parts.size() == 3)
        *byte = parseByte(parts[2]);
}

std::string wrapped(const std::string& text, const std::string& indent)
{
    constexpr std::size_t width = 78;
    std::istringstream words(text);
    std::string word;
    std::string line = indent;
    std::string result;
    while (words >> word) {
        if (line.size() > indent.size() && line.size() + 1 + word.size() > width) {
            result += line + "\n";
            line = indent;
        }
        line += (line.size() > indent.size() ? " " : "") + word;
    }
    return result + line + "\n";
}

// One adapter at a time: naming a second kind is a mistake, not an override.
void chooseAdapter(Config& config, AdapterKind kind)
{
    const bool other = config.adapter != AdapterKind::None && kind != AdapterKind::None && config.adapter != kind;
    if (other)
        throw OptionError("--latency-timer and --frame-adapter choose different adapters; give one");
    if (kind != AdapterKind::None || config.adapter == AdapterKind::LatencyTimer)
        config.adapter = kind;
}

struct OptionEntry {
    const char* name;
    const char* value;   // nullptr: a flag without a value
    const char* help;
    std::function<void(Options&, const std::string&)> apply;
};

const std::vector<OptionEntry>& optionTable()
{
    static const std::vector<OptionEntry> entries = {
        {"help", nullptr, "show this text and exit", [](Options& o, const std::string&) { o.help = true; }},
        {"link", "PATH", "make a symbolic link PATH to the slave side (replacing an old link there)",
         [](Options& o, const std::string& v) { o.linkPath = v; }},
        {"power-on-delay", "MS", "switch on MS milliseconds after start and after each power cycle (default 0)",
         [](Options& o, const std::string& v) { o.config.powerOnDelayMs = parseInt(v, 0); }},
        {"power-on-after-probe", "MS",
         "instead, switch on MS milliseconds after the first probe byte arrives, as a technician does after "
         "pressing Connect",
         [](Options& o, const std::string& v) { o.config.powerOnAfterProbeMs = parseInt(v, 0); }},
        {"boot-window", "MS",
         "after power-on the bootloader waits MS milliseconds for the probe, then starts the application and "
         "stays silent; -1: it waits forever (default 10000)",
         [](Options& o, const std::string& v) { o.config.bootWindowMs = parseInt(v); }},
        {"identifier", "TEXT", "answer 'S' with TEXT (default AVRBOOT)",
         [](Options& o, const std::string& v) { o.config.identifier = v; }},
        {"software-version", "MAJ.MIN", "answer 'V' with the bytes MAJ and MIN (default 2.10)",
         [](Options& o, const std::string& v) {
             parseVersion(v, o.config.softwareMajor, o.config.softwareMinor);
         }},
        {"firmware-version", "MAJ.MIN", "answer 'v' with the bytes MAJ and MIN (default 3.57)",
         [](Options& o, const std::string& v) {
             parseVersion(v, o.config.firmwareMajor, o.config.firmwareMinor);
         }},
        {"signature", "B0,B1,B2",
         "signature bytes, answered to 's' last byte first (default 0x1E,0x97,0x02)",
         [](Options& o, const std::string& v) {
             const auto parts = split(v, ',');
             if (parts.size() != 3)
                 throw OptionError("a signature is three bytes B0,B1,B2, not '" + v + "'");
             for (std::size_t i = 0; i < 3; ++i)
                 o.config.signature[i] = static_cast<std::uint8_t>(parseNumber(parts[i], 0, 255));
         }},
        {"lock-bits", "BYTE", "lock byte read by 'r' (default 0xFF); 'l' can only clear its bits",
         [](Options& o, const std::string& v) { o.config.lockBits = parseByte(v); }},
        {"fuse-low", "BYTE", "low fuse byte read by 'F' (default 0xE4)",
         [](Options& o, const std::string& v) { o.config.fuseLow = parseByte(v); }},
        {"fuse-high", "BYTE", "high fuse byte read by 'N' (default 0x99)",
         [](Options& o, const std::string& v) { o.config.fuseHigh = parseByte(v); }},
        {"fuse-extended", "BYTE", "extended fuse byte read by 'Q' (default 0xFF)",
         [](Options& o, const std::string& v) { o.config.fuseExtended = parseByte(v); }},
        {"no-block-support", nullptr, "answer 'b' with 'N' and refuse block commands with '?'",
         [](Options& o, const std::string&) { o.config.blockSupport = false; }},
        {"block-size", "N", "block size reported after 'Y' to 'b' (default 256)",
         [](Options& o, const std::string& v) {
             o.config.blockSize = static_cast<std::uint16_t>(parseNumber(v, 0, 0xFFFF));
         }},
        {"no-auto-increment", nullptr,
         "answer 'a' with 'N' and keep the address after 'C', 'R', 'D' and 'd' (blocks still advance it)",
         [](Options& o, const std::string&) { o.config.autoIncrement = false; }},
        {"pacing", nullptr,
         "deliver bytes no faster than 115200 bit/s at 11 bits a byte in each direction and take the data "
         "sheet's times: 4.5 ms a page write or page erase, 8.5 ms an EEPROM byte; as a serial driver's "
         "4 KiB transmit buffer would, the host's output is held once 4,112 bytes are ahead of the line, "
         "until fewer than 256 are left",
         [](Options& o, const std::string&) { o.config.pacing = true; }},
        {"latency-timer", "MS",
         "a USB serial adapter of the FTDI kind between the instrument and the host: bytes towards the host "
         "wait until 62 are there or the adapter's latency timer of MS milliseconds runs out (16 is the "
         "adapters' default; the timer runs on its own and restarts with every USB packet); 0: no adapter, "
         "bytes reach the host as the line delivers them (default)",
         [](Options& o, const std::string& v) {
             o.config.latencyTimerMs = parseInt(v, 0);
             chooseAdapter(o.config, o.config.latencyTimerMs > 0 ? AdapterKind::LatencyTimer : AdapterKind::None);
         }},
        {"frame-adapter", nullptr,
         "a USB serial adapter of the kind that forwards within a USB frame (CH340, CP210x, PL2303): bytes "
         "towards the host go with the next 1 ms frame",
         [](Options& o, const std::string&) { chooseAdapter(o.config, AdapterKind::UsbFrame); }},
        {"flash-file", "PATH", "load raw flash content from address 0 at start (up to 128 KiB)",
         [](Options& o, const std::string& v) { o.config.initialFlashFile = v; }},
        {"dump-flash", "PATH", "write the raw 128 KiB flash to PATH on exit and on SIGUSR2",
         [](Options& o, const std::string& v) { o.config.flashDumpFile = v; }},
        {"dump-eeprom", "PATH", "write the raw 4 KiB EEPROM to PATH on exit and on SIGUSR2",
         [](Options& o, const std::string& v) { o.config.eepromDumpFile = v; }},
        {"never-answer-probe", nullptr, "fault: ignore the probe, so the bootloader is never caught",
         [](Options& o, const std::string&) { o.config.faults.neverAnswerProbe = true; }},
        {"probe-answer", "BYTE", "fault: answer the probe with BYTE instead of 'B' (A, 0x00, ...)",
         [](Options& o, const std::string& v) { o.config.faults.probeAnswer = parseByte(v); }},
        {"noise-before-b", "N", "fault: N noise bytes precede the first probe answer after power-on",
         [](Options& o, const std::string& v) { o.config.faults.noiseBeforeB = parseInt(v, 0); }},
        {"wrong-reply", "KIND:K[:BYTE]",
         "fault: the K-th command of KIND (a letter, or BF, BE, gF, gE for blocks) is carried out but gets BYTE "
         "(default '?') instead of CR, or as the first byte of a data reply",
         [](Options& o, const std::string& v) {
             parseCommandFault(v, o.config.faults.wrongReplyCommand, o.config.faults.wrongReplyIndex,
                               &o.config.faults.wrongReplyByte);
         }},
        {"drop-reply", "KIND:K", "fault: the K-th command of KIND is carried out but gets no reply",
         [](Options& o, const std::string& v) {
             parseCommandFault(v, o.config.faults.dropReplyCommand, o.config.faults.dropReplyIndex, nullptr);
         }},
        {"corrupt-read", "ADDR", "fault: 'R' and 'g' read the flash byte at ADDR with its bits inverted",
         [](Options& o, const std::string& v) {
             o.config.faults.corruptReadAddress = parseNumber(v, 0, 0x1FFFF);
         }},
        {"silent-after", "N", "fault: after N bytes received the instrument ignores everything, for good",
         [](Options& o, const std::string& v) {
             o.config.faults.silentAfterBytes = parseNumber(v, 0, 0x7FFFFFFFFFFFFFFF);
         }},
        {"hang-up-after", "N", "fault: after N bytes received the instrument closes the line for good (host reads fail)",
         [](Options& o, const std::string& v) {
             o.config.faults.hangUpAfterBytes = parseNumber(v, 0, 0x7FFFFFFFFFFFFFFF);
         }},
    };
    return entries;
}

const OptionEntry& findOption(const std::string& name)
{
    for (const OptionEntry& entry : optionTable()) {
        if (name == entry.name)
            return entry;
    }
    throw OptionError("unknown option --" + name);
}

} // namespace

Options parseOptions(const std::vector<std::string>& arguments)
{
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0)
            throw OptionError("unexpected argument '" + argument + "'");
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionEntry& entry = findOption(name);
        std::string value;
        if (entry.value && equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (entry.value) {
            if (++i == arguments.size())
                throw OptionError("--" + name + " needs a value " + entry.value);
            value = arguments[i];
        } else if (equals != std::string::npos) {
            throw OptionError("--" + name + " takes no value");
        }
        try {
            entry.apply(options, value);
        } catch (const OptionError& error) {
            throw OptionError("--" + name + ": " + error.what());
        }
    }
    return options;
}

std::string usage(const std::string& program)
{
    std::ostringstream text;
    text << "Usage: " << program << " [OPTION]...\n"
         << "A simulated VELTOR instrument (ATmega128 with its bootloader) on a pseudo-terminal.\n"
         << "Prints the slave device path on the first line of output. The instrument starts switched off.\n"
         << "Signals: SIGUSR1 power-cycles it, SIGUSR2 writes the dump files, SIGINT and SIGTERM\n"
         << "end it after printing the counters.\n\nOptions:\n";
    for (const OptionEntry& entry : optionTable())
        text << "  --" << entry.name << (entry.value ? std::string(" ") + entry.value : "") << "\n"
             << wrapped(entry.help, "      ");
    text << "\nNumbers may be written in decimal or with 0x; a BYTE may also be one character.\n"
         << wrapped("Commands of a kind are counted from start, across power cycles. On exit the counters are "
                    "printed: bytes each way, commands (also by kind), pages written, round trips (host command "
                    "and the instrument's reply: replies sent) and the least wire time: what the exchange needs "
                    "at least on a real 115200 bit/s line, 11 bits a byte, both directions overlapping except "
                    "where the host waits for a reply, plus the chip's page write, erase and EEPROM write times. "
                    "Bytes received while switched off and an adapter's holding time are not in it.", "");
    return text.str();
}

} // namespace sim
