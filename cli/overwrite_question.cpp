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

} // namespace

OverwriteAnswer askOverwrite(Console& console, std::int32_t previousVersion, bool assumeYes)
{
    using session::versionText;
    console.out << session::overwriteQuestion(versionText(previousVersion), versionText(session::targetVersion))
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
