#pragma once

#include <QString>

class QDialog;
class QWidget;

// The title of the application: the task bar text and the caption of the error box.
inline constexpr const char* applicationTitle = "VELTOR Update";

// Every modal box the windows show goes through this interface, so that tests
// can answer it without real dialogs.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The program's own messages: the text only, no caption text, no icon, one OK.
    virtual void programMessage(const QString& text) = 0;
    // An error that ended a command: caption "VELTOR Update", stop icon, one OK.
    // The text is shown as given (see errorBoxText).
    virtual void errorBox(const QString& text) = 0;
    // The job's success notice: one OK.
    virtual void notice(const QString& text) = 0;
    // "Confirm", question icon, Yes and No. True only for Yes.
    virtual bool confirm(const QString& question) = 0;
    // Shows a dialog modally and returns when it is closed.
    virtual void runModal(QDialog& dialog) = 0;
};

// The real boxes, built with QMessageBox. Each is owned by the given window,
// so that it stays above it; none is only for a box with no window left.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr) : window(owner) {}
    void programMessage(const QString& text) override;
    void errorBox(const QString& text) override;
    void notice(const QString& text) override;
    bool confirm(const QString& question) override;
    void runModal(QDialog& dialog) override;

private:
    QWidget* window;
};

// The error box's text for a message: a full stop is appended unless the
// message is empty or ends in a character at or below '.' in code order.
QString errorBoxText(const QString& message);
