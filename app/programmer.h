#pragma once

#include "app/dialogs.h"
#include "desktop/shell_open.h"
#include "common/frontend.h"
#include "ports/resolved_port.h"
#include "session/instrument_session.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QRadioButton;
class SerialPort;
struct LowLatencyOutcome;

// The main window: port choice, connection status, the two programming
// commands, the progress bar and the previous firmware version. It is also the
// core's progress bar, success notice and beep, and keeps itself painted while
// the core waits for the instrument.
class TForm1 : public QMainWindow,
               public frontend::Progress,
               public frontend::Alerts,
               public frontend::Idle {
    Q_OBJECT

public:
    explicit TForm1(QWidget* owner = nullptr);
    // Shows every box through the given dialogs (tests answer them there).
    explicit TForm1(Dialogs& dialogs, QWidget* owner = nullptr);
    ~TForm1() override;

    void setCommandsEnabled(bool flag);
    void setPortButtonEnabled(std::int32_t port, bool flag);
    void probePorts();
    // The number of the port that the checked button stands for ("1" to "10",
    // or a port above COM10 that the button took over), noPortSelected when
    // no button is checked.
    QString selectedPort() const;

    void BitBtn5Click(); // reset
    void BitBtn1Click(); // connect
    void BitBtn3Click(); // leave programming
    void BitBtn4Click(); // program
    void N1Click();      // quit
    void N2Click();      // help
    void N3Click();      // About

    // Who opens the help file and the About dialog's links.
    void setShellOpener(ShellOpener opener);

    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void beep(int frequencyHz, int durationMs) override;
    void showNotice(const std::string& text) override;
    void whileWaiting() override;

    static inline const QString noPortSelected = QStringLiteral("COMx");
    // Client heights (below the menu bar) that stand for the outer heights 410
    // and 480: the first ends just below the progress bar, the second shows
    // the whole previous-version group.
    static constexpr int clientWidth = 449;
    static constexpr int startClientHeight = 356;
    static constexpr int grownClientHeight = 424;

    // The controls, in the order of the form.
    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QRadioButton* RadioButton6 = nullptr;
    QRadioButton* RadioButton7 = nullptr;
    QRadioButton* RadioButton8 = nullptr;
    QRadioButton* RadioButton9 = nullptr;
    QRadioButton* RadioButton10 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLineEdit* Edit2 = nullptr;
    // Not of the form: one line under the port group, shown after a connect
    // through an adapter whose latency timer holds the replies back.
    QLabel* latencyNotice = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TForm1(Dialogs* boxes, QWidget* owner);
    void FormCreate();
    void buildControls();
    void buildMenu();
    void buildPortGroup(QWidget* client);
    void buildConnectionGroup(QWidget* client);
    void buildCommandGroup(QWidget* client);
    void buildPreviousVersionGroup(QWidget* client);
    void setFocusOrder();
    void setClientHeight(int height);

    // Runs a command with the window's input blocked; a GeneralException that
    // ends it is shown in the error box once the command is over.
    void runCommand(const std::function<void()>& command);
    // The chosen port, opened; none (after telling the user) when no port is chosen.
    std::unique_ptr<SerialPort> openChosenPort();
    // The port that the checked button stands for: the one the last connect
    // reached when the button is that connect's, otherwise resolved now.
    ResolvedPort portOfButton(std::int32_t portNumber) const;
    // A connect that fails at any step leaves the window not connected.
    void connectToInstrument();
    void identifyInstrument();
    void leaveProgramming();
    void programInstrument();
    void showConnectionState(bool connected);
    void showPreviousVersionGroup();
    void showLatencyTimerNotice(const ResolvedPort& port, const LowLatencyOutcome& lowLatency);
    QString overwriteQuestion() const;
    QRadioButton* portButton(int port) const;
    void assignButtonPorts(const std::vector<std::int32_t>& ports);
    void repaintNow();

    // The real boxes, owned by this window so that they stay above it.
    QtDialogs ownBoxes;
    Dialogs& dialogs;
    ShellOpener shellOpener = shellOpen;
    std::array<QRadioButton*, 10> portButtons{};
    std::array<QString, 10> ownCaptions;
    // The port each button stands for since the last probe: its own COMn, or
    // a port above COM10 that took over a button whose own COMn is not present.
    std::array<std::int32_t, 10> buttonPorts{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    // The port as the last connect resolved it, until the next connect or
    // reset: Program and Leave reach the instrument that connect found even
    // when adapters come and go meanwhile.
    std::optional<ResolvedPort> connectedPort;
    QElapsedTimer sinceRepaint;
    bool centredWithFrame = false;
    frontend::Binding binding;
};

// The main window; set while it is being built.
extern TForm1* Form1;
// The firmware version (major × 100 + minor) that the last connect read; 300
// for a bootloader too old to tell; 3 before any connect.
extern std::int32_t previousVersion;
// The version of the built-in firmware image.
inline constexpr double targetVersion = session::targetVersion / 100.0;
