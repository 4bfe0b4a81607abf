#include "cli/overwrite_question.h"

#include "cli/interruption.h"
#include "session/instrument_session.h"

namespace {

bool isYes(std::string answer)
{
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' '))
        answer.pop_back();
    for (const char* yes : {"y", "Y", "yes", "Yes", "YES", "т", "Т", "так", "Так", "ТАК"})
        if (answer == yes)
            return true;
    return false;
}

// Whether the overwrite goes up, stays or goes down: the question alone
// leaves that to the technician's reading of two numbers.
std::string comparison(std::int32_t previousVersion)
{
    using session::versionText;
    const std::string builtIn = "Вбудована версія " + versionText(session::targetVersion);
    const std::string present = " версію у VELTOR (" + versionText(previousVersion) + ")";
    if (session::targetVersion < previousVersion)
        return builtIn + " старіша за" + present + ": перезапис встановить старішу версію.";
    if (session::targetVersion == previousVersion)
        return builtIn + " та сама, що й у VELTOR.";
    return builtIn + " новіша за" + present + ".";
}

} // namespace

OverwriteAnswer askOverwrite(Console& console, std::int32_t previousVersion, bool assumeYes)
{
    using session::versionText;
    console.out << comparison(previousVersion) << '\n'
                << session::overwriteQuestion(versionText(previousVersion), versionText(session::targetVersion))
                << '\n';
    if (assumeYes) {
        console.out << "Так (--yes)\n";
        return OverwriteAnswer::YesByOption;
    }
    if (!console.inIsTerminal) {
        console.out << "Немає термінала для відповіді: перезапис не підтверджено (див. --yes).\n";
        return OverwriteAnswer::NoTerminal;
    }
    console.out << "Так/Ні [т/Н]: " << std::flush;
    std::string answer;
    std::getline(console.in, answer);
    interruption::throwIfRequested();
    if (isYes(answer))
        return OverwriteAnswer::Yes;
    console.out << "Перезапис скасовано.\n";
    return OverwriteAnswer::No;
}
