#include "cli/arguments.h"

#include <CLI/CLI.hpp>

#include <array>
#include <memory>
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
     "він зараз (порт відкривається і одразу закривається, нічого не надсилається).\n"
     "Код завершення 0, коли хоча б один порт вільний, 3 — коли вільного немає.\n"},
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
    "  3  порт не вказано, не знайдено або помилка порту; для ports: вільного порту немає\n"
    "  4  VELTOR не відповідає або відповідає не так (ідентифікатор, сигнатура)\n"
    "  5  помилка верифікації\n"
    "  6  перезапис не підтверджено\n"
    "  7  вбудований образ мікропрограми пошкоджений, нічого не стерто\n"
    "  130  перервано (Ctrl-C, SIGTERM, SIGHUP)\n";

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
    if (!info.takesYes && arguments.assumeYes)
        return "команда " + name + " не має параметра --yes";
    if (!info.takesReport && !arguments.reportFile.empty())
        return "команда " + name + " не має параметра --report";
    return {};
}

constexpr const char* helpCommand = "help";
constexpr const char* portName = "port";

std::string generalHelp(const CLI::App& app)
{
    std::string text = "Використання: veltor-update <команда> [ПОРТ] [параметри]\n\n"
                       "Оновлення мікропрограми VELTOR до версії 3.58 через послідовний порт.\n\n"
                       "Команди:\n";
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App* candidate) {
             return candidate->get_name() != helpCommand;
         })) {
        std::string name = sub->get_name();
        name.resize(10, ' ');
        text += "  " + name + sub->get_description() + "\n";
    }
    text += "\n" + std::string(portHelp) + "\n";
    text += optionHelp(true, true);
    text += "  --version        версія програми\n\n";
    text += "Довідка команди: veltor-update <команда> --help\n\n";
    text += exitCodeHelp;
    return text;
}

std::string commandHelp(const CLI::App& command)
{
    const CommandInfo& info = *findCommand(command.get_name());
    const bool takesPort = command.get_option_no_throw(portName) != nullptr;
    std::string text = "Використання: veltor-update " + command.get_name();
    text += takesPort ? " ПОРТ [параметри]\n\n" : " [параметри]\n\n";
    text += command.get_description() + ".\n\n" + command.get_footer() + "\n";
    if (takesPort)
        text += std::string(portHelp) + "\n";
    text += optionHelp(info.takesYes, info.takesReport) + "\n";
    text += exitCodeHelp;
    return text;
}

// The help in the tool's own words and layout.
class HelpFormatter final : public CLI::FormatterBase {
public:
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override
    {
        return app->get_parent() ? commandHelp(*app) : generalHelp(*app);
    }
};

// The command given, or the one whose help was asked for with "help".
std::string takeCommand(const CLI::App* command, const std::string& helpOf, Arguments& arguments)
{
    if (!command)
        return {};
    if (command->get_name() != helpCommand) {
        arguments.command = findCommand(command->get_name())->command;
        return {};
    }
    arguments.help = true;
    if (helpOf.empty())
        return {};
    const CommandInfo* info = findCommand(helpOf);
    if (!info)
        return "невідома команда: " + helpOf;
    arguments.command = info->command;
    return {};
}

// Names the first word that no option, command or port took.
std::string refuseExtras(const std::vector<std::string>& extras, const CLI::App* command)
{
    for (const std::string& word : extras) {
        if (word == "--")
            continue;
        if (word.size() > 1 && word[0] == '-')
            return "невідомий параметр: " + word;
        if (!command)
            return "невідома команда: " + word;
        if (command->get_option_no_throw(portName) == nullptr && command->get_name() != helpCommand)
            return "команда " + command->get_name() + " не приймає порт: " + word;
        return "зайвий аргумент: " + word;
    }
    return {};
}

// The options belong to the tool; each command lets the ones it meets pass up
// to it, so that they may stand anywhere. Extras are collected rather than
// refused, to be named in the tool's own words.
struct Parser {
    CLI::App app{"", "veltor-update"};
    Arguments arguments;
    std::string helpOf;

    Parser()
    {
        app.formatter(std::make_shared<HelpFormatter>());
        app.set_help_flag();
        // A device path like /dev/ttyUSB0 is a port, not a Windows-style option.
        app.allow_windows_style_options(false);
        app.add_flag("-h,--help", arguments.help);
        app.add_flag("--version", arguments.version);
        app.add_flag("-y,--yes", arguments.assumeYes);
        app.add_option("--report", arguments.reportFile)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        app.allow_extras();
        app.require_subcommand(0, 1);
        for (const CommandInfo& info : commands) {
            CLI::App* command = app.add_subcommand(std::string(info.name), std::string(info.summary));
            command->footer(std::string(info.details));
            if (info.takesPort)
                command->add_option(portName, arguments.port);
            prepare(*command);
        }
        prepare(*app.add_subcommand(helpCommand))->add_option("command", helpOf);
    }

    static CLI::App* prepare(CLI::App& command)
    {
        command.set_help_flag();
        command.fallthrough();
        command.allow_extras();
        return &command;
    }

    const CLI::App* chosen() const
    {
        const std::vector<CLI::App*> given = app.get_subcommands();
        return given.empty() ? nullptr : given.front();
    }

    std::string parse(const std::vector<std::string>& words)
    {
        // CLI11 takes the words last first.
        std::vector<std::string> reversed(words.rbegin(), words.rend());
        try {
            app.parse(reversed);
        } catch (const CLI::ArgumentMismatch& error) {
            if (std::string_view(error.what()).starts_with("--report"))
                return "--report: не вказано файл";
            return std::string("неправильний параметр: ") + error.what();
        } catch (const CLI::Error& error) {
            return std::string("неправильні аргументи: ") + error.what();
        }
        if (std::string error = takeCommand(chosen(), helpOf, arguments); !error.empty())
            return error;
        if (std::string error = refuseExtras(app.remaining(true), chosen()); !error.empty())
            return error;
        return checkFits(arguments);
    }

};

} // namespace

ParsedArguments parseArguments(const std::vector<std::string>& words)
{
    Parser parser;
    ParsedArguments parsed;
    parsed.error = parser.parse(words);
    parsed.arguments = parser.arguments;
    return parsed;
}

std::string_view commandName(Command command)
{
    return infoFor(command).name;
}

std::string helpText(std::optional<Command> command)
{
    const Parser parser;
    if (!command)
        return parser.app.help();
    return parser.app.get_subcommand(std::string(commandName(*command)))->help();
}
