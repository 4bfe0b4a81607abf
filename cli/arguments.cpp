#include "cli/arguments.h"

#include <array>
#include <utility>

namespace {

struct CommandInfo {
    Command command;
    std::string_view name;
    bool takesPort;
    bool takesYes;
    bool takesReport;
    std::string_view summary;
    std::string_view details;
};

constexpr std::array<CommandInfo, 6> commands = {{
    {Command::Ports, "ports", false, false, false,
     "список портів COM1–COM10 з пристроями та доступністю",
     "Для кожного з портів COM1–COM10 показує пристрій за ним і чи відкривається\n"
     "він зараз (порт відкривається і одразу закривається, нічого не надсилається).\n"},
    {Command::Connect, "connect", true, false, true,
     "з'єднання: завантажувач, ідентифікатор, версії",
     "Після запуску ввімкніть VELTOR: команда чекає на завантажувач до 6 секунд,\n"
     "перевіряє ідентифікатор \"AVRBOOT\", читає версії програмного забезпечення і\n"
     "мікропрограми та сигнатуру. Прилад лишається в режимі програмування.\n"},
    {Command::Program, "program", true, true, true,
     "запис вбудованої мікропрограми 3.58 з перевіркою",
     "Прилад має бути в режимі програмування (після connect). Читає версії й\n"
     "сигнатуру, питає перед перезаписом версії 3.58 або новішої, потім стирає\n"
     "мікросхему, записує вбудований образ, зчитує його назад і порівнює.\n"
     "Без термінала на вході і без --yes перезапис не підтверджується.\n"},
    {Command::Leave, "leave", true, false, true,
     "вихід з режиму програмування",
     "Надсилає завантажувачу команду виходу 'E'; відповіді не чекає.\n"},
    {Command::Update, "update", true, true, true,
     "connect, program і leave за один виклик",
     "Повне оновлення: з'єднання (ввімкніть VELTOR після запуску), запис з\n"
     "перевіркою і вихід з режиму програмування. Після невдалого запису прилад\n"
     "лишається в режимі програмування, щоб можна було повторити.\n"},
    {Command::Verify, "verify", true, false, true,
     "лише перевірка: зчитати flash і порівняти з образом",
     "Прилад має бути в режимі програмування (після connect). Зчитує flash і\n"
     "порівнює з вбудованим образом, нічого не стираючи і не записуючи.\n"},
}};

const CommandInfo& infoFor(Command command)
{
    for (const CommandInfo& info : commands)
        if (info.command == command)
            return info;
    return commands.front();
}

const CommandInfo* findCommand(std::string_view name)
{
    for (const CommandInfo& info : commands)
        if (info.name == name)
            return &info;
    return nullptr;
}

constexpr std::string_view portHelp = "ПОРТ: 3, COM3 або шлях до пристрою (наприклад /dev/ttyUSB0).\n";

constexpr std::string_view exitCodeHelp =
    "Коди завершення:\n"
    "  0  успіх\n"
    "  1  інша помилка\n"
    "  2  неправильні аргументи\n"
    "  3  порт не вказано, не знайдено або помилка порту\n"
    "  4  VELTOR не відповідає або відповідає не так (ідентифікатор, сигнатура)\n"
    "  5  помилка верифікації\n"
    "  6  перезапис не підтверджено\n";

std::string optionHelp(bool yes, bool report)
{
    std::string text = "Параметри:\n";
    if (yes)
        text += "  -y, --yes        не питати перед перезаписом версії 3.58 або новішої\n";
    if (report)
        text += "  --report ФАЙЛ    записати протокол обслуговування (JSON)\n";
    text += "  -h, --help       ця довідка\n";
    return text;
}

// Checks what the options and the port allow for the chosen command.
std::string checkFits(const Arguments& arguments)
{
    if (!arguments.command || arguments.help)
        return {};
    const CommandInfo& info = infoFor(*arguments.command);
    const std::string name(info.name);
    if (!info.takesPort && !arguments.port.empty())
        return "команда " + name + " не приймає порт: " + arguments.port;
    if (!info.takesYes && arguments.assumeYes)
        return "команда " + name + " не має параметра --yes";
    if (!info.takesReport && !arguments.reportFile.empty())
        return "команда " + name + " не має параметра --report";
    return {};
}

} // namespace

ParsedArguments parseArguments(const std::vector<std::string>& words)
{
    ParsedArguments parsed;
    Arguments& arguments = parsed.arguments;
    bool optionsEnded = false;
    bool commandSeen = false;
    bool portSeen = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool isOption = !optionsEnded && word.size() > 1 && word[0] == '-';
        if (isOption) {
            if (word == "--") {
                optionsEnded = true;
            } else if (word == "-h" || word == "--help") {
                arguments.help = true;
            } else if (word == "--version") {
                arguments.version = true;
            } else if (word == "-y" || word == "--yes") {
                arguments.assumeYes = true;
            } else if (word == "--report" || word.starts_with("--report=")) {
                std::string file;
                if (word == "--report") {
                    if (i + 1 == words.size()) {
                        parsed.error = "--report: не вказано файл";
                        return parsed;
                    }
                    file = words[++i];
                } else {
                    file = word.substr(std::string_view("--report=").size());
                }
                if (file.empty()) {
                    parsed.error = "--report: не вказано файл";
                    return parsed;
                }
                arguments.reportFile = file;
            } else {
                parsed.error = "невідомий параметр: " + word;
                return parsed;
            }
            continue;
        }
        if (!commandSeen) {
            commandSeen = true;
            if (word == "help") {
                arguments.help = true;
                continue;
            }
            const CommandInfo* info = findCommand(word);
            if (!info) {
                parsed.error = "невідома команда: " + word;
                return parsed;
            }
            arguments.command = info->command;
        } else if (!arguments.command && arguments.help && !portSeen) {
            // "help update": the help of that command.
            const CommandInfo* info = findCommand(word);
            if (!info) {
                parsed.error = "невідома команда: " + word;
                return parsed;
            }
            arguments.command = info->command;
            portSeen = true;
        } else if (!portSeen) {
            portSeen = true;
            arguments.port = word;
        } else {
            parsed.error = "зайвий аргумент: " + word;
            return parsed;
        }
    }
    parsed.error = checkFits(arguments);
    return parsed;
}

std::string_view commandName(Command command)
{
    return infoFor(command).name;
}

std::string helpText(std::optional<Command> command)
{
    if (!command) {
        std::string text = "Використання: veltor-update <команда> [ПОРТ] [параметри]\n\n"
                           "Оновлення мікропрограми VELTOR до версії 3.58 через послідовний порт.\n\n"
                           "Команди:\n";
        for (const CommandInfo& info : commands) {
            std::string name(info.name);
            name.resize(10, ' ');
            text += "  " + name + std::string(info.summary) + "\n";
        }
        text += "\n" + std::string(portHelp) + "\n";
        text += optionHelp(true, true);
        text += "  --version        версія програми\n\n";
        text += "Довідка команди: veltor-update <команда> --help\n\n";
        text += exitCodeHelp;
        return text;
    }
    const CommandInfo& info = infoFor(*command);
    std::string text = "Використання: veltor-update " + std::string(info.name);
    text += info.takesPort ? " ПОРТ [параметри]\n\n" : " [параметри]\n\n";
    text += std::string(info.summary) + ".\n\n" + std::string(info.details) + "\n";
    if (info.takesPort)
        text += std::string(portHelp) + "\n";
    text += optionHelp(info.takesYes, info.takesReport) + "\n";
    text += exitCodeHelp;
    return text;
}
