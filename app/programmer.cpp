#include "app/programmer.h"

#include "app/about.h"
#include "app/busy_pointer.h"
#include "app/focus_frame.h"
#include "app/input_blocker.h"
#include "app/key_gate.h"
#include "app/pictures.h"
#include "app/placement.h"
#include "app/port_tooltip.h"
#include "app/progress_style.h"
#include "app/stand_in.h"
#include "app/version_text.h"
#include "common/general_exception.h"
#include "desktop/beep.h"
#include "job/job_info.h"
#include "link/serial_port.h"
#include "ports/latency_timer.h"
#include "ports/port_names.h"
#include "ports/port_numbers.h"
#include "session/instrument_session.h"
#include "session/port_probe.h"
#include "session/session_texts.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <memory>
#include <optional>

TForm1* Form1 = nullptr;
std::int32_t previousVersion = 3;

namespace {

const QString windowCaption = QStringLiteral("Оновленя Версії VELTOR до версії: ");
const QString notConnectedText = QString::fromUtf8(session::notConnectedText);
const QString connectedText = QString::fromUtf8(session::connectedText);
const QString noPortsMessage = QString::fromUtf8(session::noPortsFoundText);
const QString noPortChosenMessage = QString::fromUtf8(session::noPortChosenText);
const QString programFailedMessage = QString::fromUtf8(session::programFailedText);
const QString helpFileMissingMessage = QStringLiteral("Не знайдено файл Help.pdf\nв робочому каталозі програми!");
const QString helpViewerMissingMessage = QStringLiteral("Для перегляду файлу допомоги необхідно\n"
                                                       "встановити програму Adobe® Acrobat® Reader\n"
                                                       "https://get.adobe.com/reader/");
const QColor red(255, 0, 0);
const QColor green(0, 128, 0);
const QColor fuchsia(255, 0, 255);

constexpr std::int32_t portTimeoutSeconds = session::portTimeoutSeconds;
// Under the port group, in the gap above the connection group.
const QRect latencyNoticePlace(9, 80, 435, 14);
constexpr int latencyNoticePixels = 11;
constexpr int smallestNoticePixels = 9;
constexpr qint64 repaintIntervalMs = 30;
// While the line is quiet only exposed areas need painting: each pass of the
// event loop costs far more than the waiting itself, so it is taken less often.
constexpr qint64 idleIntervalMs = 45;

// The form's default font: "MS Sans Serif", character height 13 pixels.
QFont formFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    return font;
}

QFont timesFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void setTextColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, colour);
    palette.setColor(QPalette::Inactive, role, colour);
    widget->setPalette(palette);
}

template <typename Control, typename... Arguments>
Control* place(QWidget* parent, const char* name, QRect geometry, Arguments&&... arguments)
{
    auto* control = new Control(std::forward<Arguments>(arguments)..., parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    return control;
}

QPushButton* placePictureButton(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                                const QString& picture, int pictureSide)
{
    auto* button = place<QPushButton>(parent, name, geometry, caption);
    const QSize size(pictureSide, pictureSide);
    button->setIcon(pictures::icon(picture, size));
    button->setIconSize(size);
    return button;
}

// An auto-exclusive radio button refuses to be un-checked directly.
void uncheck(QRadioButton* button)
{
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

// One line of text in the label's width: in a smaller font where it needs
// one, cut short only where even the smallest is too wide.
void showFitted(QLabel& label, const QString& text)
{
    QFont font = label.font();
    for (int pixels = latencyNoticePixels; pixels >= smallestNoticePixels; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(text) <= label.width())
            break;
    }
    label.setFont(font);
    label.setText(QFontMetrics(font).elidedText(text, Qt::ElideRight, label.width()));
}

// Shows the connection state as soon as the identifier is in, before the
// versions are asked for.
class ConnectionShower final : public session::StepObserver {
public:
    explicit ConnectionShower(std::function<void(bool)> showState) : show(std::move(showState)) {}
    void started(RunStep, const session::Connection&) override {}
    void finished(RunStep step, const session::Connection& sofar) override
    {
        if (step == RunStep::Handshake)
            show(sofar.matched);
    }

private:
    std::function<void(bool)> show;
};

} // namespace

TForm1::TForm1(QWidget* owner) : TForm1(static_cast<Dialogs*>(nullptr), owner) {}

TForm1::TForm1(Dialogs& boxes, QWidget* owner) : TForm1(&boxes, owner) {}

TForm1::TForm1(Dialogs* boxes, QWidget* owner)
    : QMainWindow(owner), ownBoxes(this), dialogs(boxes ? *boxes : ownBoxes), binding(this, this, this)
{
    Form1 = this;
    buildControls();
    standIn::markWindow(*this);
    new FreshKeyGate(this);
    showFocusOnEveryButton(*this);
    drawWithoutAnimation(*ProgressBar1);
    probePorts();
    setCommandsEnabled(false);
    FormCreate();
    centerOnScreen(*this);
    centreOnceFramed(*this);
    sinceRepaint.start();
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The frame's size is known only once the window is on the screen.
    if (!centredWithFrame) {
        centredWithFrame = true;
        centerOnScreen(*this);
    }
}

void TForm1::FormCreate()
{
    setWindowTitle(windowCaption + captionVersionText(targetVersion));
    setClientHeight(startClientHeight);
    GroupBox3->hide();
}

void TForm1::buildControls()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(pictures::applicationIconSet());
    setFont(formFont());
    buildMenu();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    buildPortGroup(client);
    buildConnectionGroup(client);
    buildCommandGroup(client);
    ProgressBar1 = place<QProgressBar>(client, "ProgressBar1", QRect(9, 328, 432, 21));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    buildPreviousVersionGroup(client);
    latencyNotice = place<QLabel>(client, "LatencyNotice", latencyNoticePlace);
    // So that the command it names can be copied.
    latencyNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    latencyNotice->hide();
    setFocusOrder();
}

void TForm1::buildMenu()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu1->setNativeMenuBar(false);
    N1 = MainMenu1->addAction(QStringLiteral("&Вихід"));
    N2 = MainMenu1->addAction(QStringLiteral("&Допомога"));
    N3 = MainMenu1->addAction(QStringLiteral("&?"));
    N1->setObjectName(QStringLiteral("N1"));
    N2->setObjectName(QStringLiteral("N2"));
    N3->setObjectName(QStringLiteral("N3"));
    connect(N1, &QAction::triggered, this, &TForm1::N1Click);
    connect(N2, &QAction::triggered, this, &TForm1::N2Click);
    connect(N3, &QAction::triggered, this, &TForm1::N3Click);
}

void TForm1::buildPortGroup(QWidget* client)
{
    GroupBox1 = place<QGroupBox>(client, "GroupBox1", QRect(9, 0, 376, 80), QStringLiteral("Послідовний порт"));
    // COM1 to COM5 are spelled with the Cyrillic letters С, О and М.
    RadioButton1 = place<QRadioButton>(GroupBox1, "RadioButton1", QRect(9, 25, 64, 16), QStringLiteral("СОМ1"));
    RadioButton2 = place<QRadioButton>(GroupBox1, "RadioButton2", QRect(80, 25, 65, 16), QStringLiteral("СОМ2"));
    RadioButton3 = place<QRadioButton>(GroupBox1, "RadioButton3", QRect(153, 25, 64, 16), QStringLiteral("СОМ3"));
    RadioButton4 = place<QRadioButton>(GroupBox1, "RadioButton4", QRect(224, 25, 65, 16), QStringLiteral("СОМ4"));
    RadioButton5 = place<QRadioButton>(GroupBox1, "RadioButton5", QRect(297, 25, 64, 16), QStringLiteral("СОМ5"));
    RadioButton6 = place<QRadioButton>(GroupBox1, "RadioButton6", QRect(9, 49, 60, 21), QStringLiteral("COM6"));
    RadioButton7 = place<QRadioButton>(GroupBox1, "RadioButton7", QRect(80, 49, 70, 21), QStringLiteral("COM7"));
    RadioButton8 = place<QRadioButton>(GroupBox1, "RadioButton8", QRect(153, 49, 70, 21), QStringLiteral("COM8"));
    RadioButton9 = place<QRadioButton>(GroupBox1, "RadioButton9", QRect(224, 49, 60, 21), QStringLiteral("COM9"));
    RadioButton10 = place<QRadioButton>(GroupBox1, "RadioButton10", QRect(297, 49, 70, 21), QStringLiteral("COM10"));
    portButtons = {RadioButton1, RadioButton2, RadioButton3, RadioButton4, RadioButton5,
                   RadioButton6, RadioButton7, RadioButton8, RadioButton9, RadioButton10};
    for (std::size_t i = 0; i < portButtons.size(); ++i)
        ownCaptions[i] = portButtons[i]->text();

    BitBtn5 = placePictureButton(client, "BitBtn5", QRect(394, 18, 50, 52), QString(), pictures::reset, 21);
    BitBtn5->setDefault(true);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm1::BitBtn5Click);
}

void TForm1::buildConnectionGroup(QWidget* client)
{
    GroupBox2 = place<QGroupBox>(client, "GroupBox2", QRect(9, 94, 435, 84),
                                 QStringLiteral("Установка звязку з VELTOR"));
    Edit1 = place<QLineEdit>(GroupBox2, "Edit1", QRect(9, 21, 297, 28), notConnectedText);
    Edit1->setReadOnly(true);
    Edit1->setFont(timesFont(18, true));
    setTextColour(Edit1, QPalette::Text, red);
    BitBtn1 = placePictureButton(GroupBox2, "BitBtn1", QRect(316, 16, 112, 54), QStringLiteral("З'єднати"),
                                 pictures::connect, 30);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    Label1 = place<QLabel>(GroupBox2, "Label1", QRect(9, 57, 284, 16),
                           QStringLiteral("(Натиснути \"З'єднати\" та включити VELTOR)"));
    // A label takes the size of its text where the font differs from the one
    // the layout was drawn with.
    Label1->adjustSize();
}

void TForm1::buildCommandGroup(QWidget* client)
{
    GroupBox4 = place<QGroupBox>(client, "GroupBox4", QRect(9, 191, 435, 130), QStringLiteral("Команди"));
    BitBtn4 = placePictureButton(GroupBox4, "BitBtn4", QRect(9, 24, 416, 41), QStringLiteral("Програмувати"),
                                 pictures::program, 26);
    BitBtn4->setFont(timesFont(20, false));
    setTextColour(BitBtn4, QPalette::ButtonText, fuchsia);
    BitBtn4->setDefault(true);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
    BitBtn3 = placePictureButton(GroupBox4, "BitBtn3", QRect(9, 73, 416, 46),
                                 QStringLiteral("Вихід з програмування"), pictures::leave, 26);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
}

void TForm1::buildPreviousVersionGroup(QWidget* client)
{
    GroupBox3 = place<QGroupBox>(client, "GroupBox3", QRect(9, 359, 436, 58),
                                 QString::fromUtf8(session::previousVersionCaption));
    Edit2 = place<QLineEdit>(GroupBox3, "Edit2", QRect(139, 22, 158, 24), QStringLiteral("Немає зв'язку"));
    Edit2->setReadOnly(true);
}

void TForm1::setFocusOrder()
{
    QList<QWidget*> order(portButtons.begin(), portButtons.end());
    order << BitBtn5 << Edit1 << BitBtn1 << BitBtn4 << BitBtn3 << Edit2;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TForm1::setClientHeight(int height)
{
    setFixedSize(clientWidth, MainMenu1->sizeHint().height() + height);
}

void TForm1::setCommandsEnabled(bool flag)
{
    BitBtn3->setEnabled(flag);
    BitBtn4->setEnabled(flag);
}

void TForm1::setPortButtonEnabled(std::int32_t port, bool flag)
{
    if (QRadioButton* button = portButton(port))
        button->setEnabled(flag);
}

QRadioButton* TForm1::portButton(int port) const
{
    if (port < 1 || port > static_cast<int>(portButtons.size()))
        return nullptr;
    return portButtons[static_cast<std::size_t>(port - 1)];
}

void TForm1::probePorts()
{
    // Start and reset forget the device the last connect used.
    connectedPort.reset();
    latencyNotice->hide();
    for (QRadioButton* button : portButtons)
        uncheck(button);
    const PortSurvey survey;
    assignButtonPorts(portButtonNumbers(presentPortNumbers(), portButtons.size()));
    bool anyOpened = false;
    for (int button = 1; button <= static_cast<int>(portButtons.size()); ++button) {
        const ResolvedPort port = resolvePort(buttonPorts[static_cast<std::size_t>(button - 1)]);
        const session::PortProbe probe = session::probePort(port);
        const bool opened = probe.outcome == session::PortProbe::Outcome::Opened;
        portButton(button)->setToolTip(portToolTip(port, probe.cause));
        setPortButtonEnabled(button, opened);
        anyOpened = anyOpened || opened;
    }
    if (!anyOpened)
        dialogs.programMessage(noPortsMessage);
}

// A button that stands for a port above COM10 is captioned with that port's name.
void TForm1::assignButtonPorts(const std::vector<std::int32_t>& ports)
{
    for (std::size_t i = 0; i < portButtons.size() && i < ports.size(); ++i) {
        buttonPorts[i] = ports[i];
        const bool own = ports[i] == static_cast<std::int32_t>(i + 1);
        portButtons[i]->setText(own ? ownCaptions[i] : QStringLiteral("COM%1").arg(ports[i]));
    }
}

QString TForm1::selectedPort() const
{
    for (std::size_t i = 0; i < portButtons.size(); ++i) {
        if (portButtons[i]->isChecked())
            return QString::number(buttonPorts[i]);
    }
    return noPortSelected;
}

void TForm1::runCommand(const std::function<void()>& command)
{
    std::optional<QString> failure;
    {
        UserInputBlocker blocker(*this);
        BusyPointer busyPointer;
        try {
            command();
        } catch (const GeneralException& error) {
            failure = QString::fromStdString(error.message());
        } catch (const std::exception& error) {
            // A C++ exception must not cross Qt's event loop: any other
            // failure is shown the same way.
            failure = QString::fromLocal8Bit(error.what());
        }
        blocker.discardQueuedInput();
    }
    if (failure)
        dialogs.errorBox(errorBoxText(*failure));
}

void TForm1::BitBtn5Click()
{
    runCommand([this] {
        probePorts();
        showConnectionState(false);
    });
}

void TForm1::BitBtn1Click()
{
    runCommand([this] { connectToInstrument(); });
}

void TForm1::BitBtn3Click()
{
    runCommand([this] { leaveProgramming(); });
}

void TForm1::BitBtn4Click()
{
    runCommand([this] { programInstrument(); });
}

void TForm1::N1Click()
{
    close();
}

void TForm1::N2Click()
{
    if (shellSucceeded(shellOpener(this, QStringLiteral("Help.mht"))))
        return;
    const int result = shellOpener(this, QStringLiteral("Help.pdf"));
    if (shellSucceeded(result))
        return;
    dialogs.programMessage(result == shellFileNotFound ? helpFileMissingMessage : helpViewerMissingMessage);
}

void TForm1::N3Click()
{
    auto about = std::make_unique<TForm2>(this, shellOpener);
    Form2 = about.get();
    centerOnScreen(*about);
    dialogs.runModal(*about);
    Form2 = nullptr;
}

void TForm1::setShellOpener(ShellOpener opener)
{
    shellOpener = std::move(opener);
}

std::unique_ptr<SerialPort> TForm1::openChosenPort()
{
    const QString port = selectedPort();
    if (port == noPortSelected) {
        dialogs.programMessage(noPortChosenMessage);
        return nullptr;
    }
    auto serial = std::make_unique<SerialPort>(portOfButton(port.toInt()), portTimeoutSeconds);
    serial->openPort();
    return serial;
}

ResolvedPort TForm1::portOfButton(std::int32_t portNumber) const
{
    if (connectedPort && connectedPort->number == portNumber)
        return *connectedPort;
    return resolvePort(portNumber);
}

void TForm1::connectToInstrument()
{
    latencyNotice->hide();
    connectedPort.reset();
    if (const QString port = selectedPort(); port != noPortSelected)
        connectedPort = resolvePort(port.toInt());
    try {
        identifyInstrument();
    } catch (...) {
        // Whatever step failed, there is no connection to rely on: the
        // commands stay off until the next good connect.
        showConnectionState(false);
        throw;
    }
}

void TForm1::identifyInstrument()
{
    const std::unique_ptr<SerialPort> chosen = openChosenPort();
    if (!chosen)
        return;
    showLatencyTimerNotice(*connectedPort, chosen->lowLatency());
    ConnectionShower shower([this](bool matched) { showConnectionState(matched); });
    const session::Connection connection = session::connect(*chosen, {.readSignature = false, .observer = &shower});
    const session::Versions& versions = *connection.versions;
    previousVersion = versions.firmware;
    if (versions.firmwareAssumed) {
        Edit2->setText(QString::fromUtf8(session::assumedFirmwareText));
    } else {
        Edit2->setText(versionText(previousVersion * 0.01));
        showPreviousVersionGroup();
    }
    chosen->closePort();
}

void TForm1::leaveProgramming()
{
    const std::unique_ptr<SerialPort> serial = openChosenPort();
    if (!serial)
        return;
    session::leaveProgramming(*serial);
    serial->closePort();
    showConnectionState(false);
}

void TForm1::programInstrument()
{
    JobInfo job;
    const QString port = selectedPort();
    // Let what is waiting be handled once (the input blocker drops user input).
    QCoreApplication::processEvents();
    if (port == noPortSelected) {
        dialogs.programMessage(noPortChosenMessage);
        return;
    }
    if (!standIn::confirmRun(dialogs))
        return;
    if (session::overwriteNeedsConfirmation(previousVersion) && !dialogs.confirm(overwriteQuestion()))
        return;
    try {
        job.runJob(portOfButton(port.toInt()));
    } catch (const GeneralException&) {
        // A line that dies in the middle of a block write leaves the bar where
        // it was; a failed run always ends with the bar at 0.
        ProgressBar1->setValue(0);
        dialogs.programMessage(programFailedMessage);
        // The instrument is half-written or out of its bootloader: a second
        // Program would fail the same way, Connect is what helps.
        showConnectionState(false);
    }
}

QString TForm1::overwriteQuestion() const
{
    return QString::fromStdString(session::overwriteQuestion(versionText(previousVersion * 0.01).toStdString(),
                                                             versionText(targetVersion).toStdString()));
}

void TForm1::showConnectionState(bool connected)
{
    Edit1->setText(connected ? connectedText : notConnectedText);
    setTextColour(Edit1, QPalette::Text, connected ? green : red);
    setCommandsEnabled(connected);
}

void TForm1::showLatencyTimerNotice(const ResolvedPort& port, const LowLatencyOutcome& lowLatency)
{
    const std::optional<AdapterDriver> slowAdapter = slowLatencyTimer(port, lowLatency);
    if (!slowAdapter)
        return;
    showFitted(*latencyNotice, QString::fromStdString(latencyTimerNotice(*slowAdapter, port.device)));
    latencyNotice->setToolTip(QString::fromStdString(latencyTimerSteps(port)));
    latencyNotice->show();
}

void TForm1::showPreviousVersionGroup()
{
    setClientHeight(grownClientHeight);
    GroupBox3->show();
}

void TForm1::setMaximum(int maximum)
{
    // Qt shows a busy indicator for an empty range.
    ProgressBar1->setMaximum(std::max(maximum, 1));
    repaintNow();
}

void TForm1::setPosition(int position)
{
    ProgressBar1->setValue(std::clamp(position, ProgressBar1->minimum(), ProgressBar1->maximum()));
    if (position <= 0 || position >= ProgressBar1->maximum() || sinceRepaint.hasExpired(repaintIntervalMs))
        repaintNow();
}

void TForm1::repaintNow()
{
    // The bar repaints itself whenever its value moves it by a pixel; what is
    // left is to let those paints and any other pending ones through.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceRepaint.restart();
}

void TForm1::beep(int frequencyHz, int durationMs)
{
    platformBeep(frequencyHz, durationMs);
}

void TForm1::showNotice(const std::string& text)
{
    dialogs.notice(QString::fromStdString(text));
}

void TForm1::whileWaiting()
{
    if (sinceRepaint.hasExpired(idleIntervalMs))
        repaintNow();
}
