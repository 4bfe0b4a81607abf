#pragma once

#include <QString>

class Dialogs;
class QMainWindow;

// A build that carries the repository's stand-in instead of the real firmware
// must never pass for an update: it says so at start, keeps a mark on the
// window, and asks before every run.
namespace standIn {

// True when this build carries the stand-in image.
bool carried();

// Makes the window behave as for a real image (false) or the stand-in (true)
// for its lifetime, whatever the build carries; for tests.
class Pretend {
public:
    explicit Pretend(bool standIn);
    ~Pretend();
    Pretend(const Pretend&) = delete;
    Pretend& operator=(const Pretend&) = delete;

private:
    int previous;
};

inline const QString markObjectName = QStringLiteral("standInMark");

QString warningText();
QString programQuestion();

// The red line in the menu bar's free corner; nothing for a real image.
void markWindow(QMainWindow& window);
// The warning box at start; nothing for a real image.
void warnAtStart(Dialogs& dialogs);
// True when a run may go on: always for a real image, and for the stand-in
// only when the user has been told and said yes.
bool confirmRun(Dialogs& dialogs);

} // namespace standIn
