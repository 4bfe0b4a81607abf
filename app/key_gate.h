#pragma once

#include <QObject>

class QEvent;
class QKeyEvent;

// Lets a key act only from a fresh press. An auto-repeated press never reaches
// a button (nor an auto-repeated Enter or Space a message box), and a key that
// went down while a message box or a command was busy is held back until it
// has been let go (or the application has lost the keyboard meanwhile): an
// Enter held down to close the success notice must not start the next erase
// and write.
class FreshKeyGate final : public QObject {
public:
    // Watches every key event of the application while it lives.
    explicit FreshKeyGate(QObject* owner);
    ~FreshKeyGate() override;
    FreshKeyGate(const FreshKeyGate&) = delete;
    FreshKeyGate& operator=(const FreshKeyGate&) = delete;

    // Marks a command as running for its lifetime.
    class Busy {
    public:
        Busy();
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
    };

    // For whoever swallows key events while a command runs, so that the gate
    // still learns which keys are down.
    static void noteWhileBusy(const QEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
