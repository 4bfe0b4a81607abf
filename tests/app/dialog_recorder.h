#pragma once

#include "app/dialogs.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

// Stands in for the real boxes: records what the window shows, answers the
// confirmation from a queue, and lets a test look at a dialog instead of
// running it.
class DialogRecorder final : public Dialogs {
public:
    enum Kind { Message, Error, Notice, Question };
    struct Shown {
        Kind kind;
        QString text;
    };

    void programMessage(const QString& text) override { record(Message, text); }
    void errorBox(const QString& text) override { record(Error, text); }
    void notice(const QString& text) override { record(Notice, text); }
    bool confirm(const QString& question) override
    {
        record(Question, question);
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void runModal(QDialog& dialog) override
    {
        ++modalRuns;
        if (onModal)
            onModal(dialog);
    }

    QStringList texts(Kind kind) const
    {
        QStringList result;
        for (const Shown& entry : shown) {
            if (entry.kind == kind)
                result << entry.text;
        }
        return result;
    }
    // Everything shown, in order, as "kind: text" lines (for failure output).
    QStringList all() const
    {
        static const char* names[] = {"message", "error", "notice", "question"};
        QStringList result;
        for (const Shown& entry : shown)
            result << QString::fromLatin1(names[entry.kind]) + QStringLiteral(": ") + entry.text;
        return result;
    }
    void clear() { shown.clear(); }

    std::vector<Shown> shown;
    std::deque<bool> answers;
    int modalRuns = 0;
    std::function<void(QDialog&)> onModal;
    // Called while a box would be on the screen.
    std::function<void(const Shown&)> onShown;

private:
    void record(Kind kind, const QString& text)
    {
        shown.push_back({kind, text});
        if (onShown)
            onShown(shown.back());
    }
};
