#include "cli/run_console.h"

#include "cli/service_record.h"
#include "session/session_texts.h"

RunConsole::RunConsole(Console& runConsole)
    : console(runConsole), bar(console.out, console.outIsTerminal), notices(console.out, bar, console.beep)
{
}

void RunConsole::showPort(const ResolvedPort& port)
{
    console.out << "Порт: " << port.name;
    if (port.number)
        console.out << " (" << (port.device.empty() ? std::string("пристрою немає") : port.device) << ')';
    console.out << '\n';
}

void RunConsole::promptSwitchOn()
{
    console.out << "Увімкніть VELTOR (очікування до 6 с)...\n" << std::flush;
    bar.beginStep();
}

void RunConsole::showIdentifier(bool matched)
{
    console.out << (matched ? session::connectedText : session::notConnectedText) << '\n';
}

void RunConsole::showVersions(const session::Versions& versions, bool aboutToReplace)
{
    console.out << "Версія завантажувача: " << session::versionText(versions.software) << '\n'
                << (aboutToReplace ? session::previousVersionCaption : "Версія мікропрограми VELTOR:") << ' '
                << session::firmwareVersionText(versions) << '\n';
}

void RunConsole::showSignature(const session::Signature& signature, const session::Signature& expected)
{
    console.out << "Сигнатура: " << signatureText(signature);
    if (signature != expected)
        console.out << " (не " << session::targetChipName << ": очікується " << signatureText(expected) << ')';
    console.out << '\n';
}

void RunConsole::showLeft()
{
    console.out << "Вихід з програмування: команду надіслано.\n";
}

void RunConsole::showUpdated()
{
    console.out << "Оновлення завершено: мікропрограму " << session::versionText(session::targetVersion)
                << " записано і перевірено.\n";
}

void RunConsole::showWaiting(const std::string& advice)
{
    console.out << advice << '\n';
}

void RunConsole::tell(const std::string& line)
{
    console.err << line << '\n';
}
