// Renders the main window (before and after a connect, with a port button's
// tooltip, and while it programs), the success notice, the About dialog, a
// run that fails half-way, a connect through an adapter that holds replies
// back and the start of a stand-in build to PNG files,
// against the simulated instrument:
//
//   xvfb-run -a sh -c 'openbox & sleep 1; veltor-gui-screenshots docs/screenshots'
//
// Under a window manager each picture is taken from the screen with its frame;
// without one it gets a plain title bar drawn here instead.
#include "app/about.h"
#include "app/dialogs.h"
#include "app/pictures.h"
#include "app/programmer.h"
#include "app/stand_in.h"
#include "common/frontend.h"
#include "sim/instrument.h"
#include "tests/app/dialog_recorder.h"
#include "tests/app/isolated_ports.h"
#include "tests/support/presented_ports.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QWindow>
#include <QHelpEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <cstdio>

namespace {

constexpr int simulatedPort = 3;
// What COMn names for the simulator in the pictures: a link in the working
// directory, so that the tooltip reads the same in every run (the pseudo-
// terminal's own number changes from run to run).
const char* const simulatedDeviceLink = "veltor-sim";

QImage withTitleBar(QWidget& window)
{
    const QPixmap content = window.grab();
    const int border = 3;
    const int titleHeight = 26;
    QImage framed(content.width() + 2 * border, content.height() + titleHeight + border,
                  QImage::Format_ARGB32_Premultiplied);
    framed.fill(QColor(0x2b, 0x4f, 0x81));
    QPainter painter(&framed);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(6, (titleHeight - 16) / 2, window.windowIcon().pixmap(16, 16));
    QFont titleFont = QApplication::font();
    titleFont.setPixelSize(13);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(Qt::white);
    painter.drawText(QRect(28, 0, framed.width() - 60, titleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawText(QRect(framed.width() - 26, 0, 20, titleHeight), Qt::AlignCenter, QStringLiteral("✕"));
    painter.drawPixmap(border, titleHeight, content);
    return framed;
}

// Asked of the platform window each time: the widget keeps the frame it saw at
// its last move, which can come before the window manager's frame does.
QRect frameOf(const QWidget& window)
{
    return window.windowHandle() ? window.windowHandle()->frameGeometry() : window.frameGeometry();
}

bool hasFrame(const QWidget& window)
{
    return frameOf(window) != window.geometry();
}

// The first window with a drawn title bar, and tooltips drawn over it where
// they lie on the screen, the picture grown to hold them. Windows under a box
// are left out: they would be drawn over it.
QImage composed(const QList<QWidget*>& windows)
{
    QWidget& first = *windows.front();
    const QImage framed = withTitleBar(first);
    QList<QWidget*> tips;
    for (QWidget* window : windows.mid(1)) {
        if (window->windowType() == Qt::ToolTip)
            tips << window;
    }
    if (tips.isEmpty())
        return framed;
    const QPoint origin = first.geometry().topLeft() - QPoint(3, 26);
    QRect area(QPoint(0, 0), framed.size());
    for (const QWidget* tip : tips)
        area |= tip->geometry().translated(-origin);
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.drawImage(-area.topLeft(), framed);
    for (QWidget* tip : tips)
        painter.drawPixmap(tip->geometry().topLeft() - origin - area.topLeft(), tip->grab());
    return picture;
}

// Whether a window manager frames the windows. Its frame comes a moment after
// a window shows, later on a busy machine, so every picture waits for it.
bool windowManagerFrames = false;

void awaitFrame(QWidget& window)
{
    if (!windowManagerFrames || hasFrame(window))
        return;
    if (QTest::qWaitFor([&] { return hasFrame(window); }, 5000))
        QTest::qWait(200);
}

// The screen under the given windows' frames, or the first window with a drawn
// title bar where no window manager frames them.
QImage shot(const QList<QWidget*>& windows)
{
    QTest::qWait(400);
    QWidget& first = *windows.front();
    awaitFrame(first);
    if (!hasFrame(first))
        return composed(windows);
    QRect area;
    for (const QWidget* window : windows)
        area |= frameOf(*window);
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

bool save(const QList<QWidget*>& windows, const QDir& directory, const char* name)
{
    QApplication::processEvents();
    const QString path = directory.filePath(QString::fromLatin1(name));
    if (!shot(windows).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Passes the core's progress on to the window and takes one picture half-way
// through the flash verification.
class MidRunCamera final : public frontend::Progress {
public:
    MidRunCamera(TForm1& watched, const QDir& target) : window(watched), directory(target) {}
    void setMaximum(int maximum) override
    {
        window.setMaximum(maximum);
        currentMaximum = maximum;
    }
    void setPosition(int position) override
    {
        window.setPosition(position);
        // Phases: handshake maximum, block write maximum, verification maximum.
        if (!taken && currentMaximum > 1000 && position >= currentMaximum / 2) {
            taken = true;
            saved = save({&window}, directory, "main-window-programming.png");
        }
    }
    bool saved = false;

private:
    TForm1& window;
    QDir directory;
    int currentMaximum = 0;
    bool taken = false;
};

// The pointer resting on a port button: the window with the button's own tooltip.
bool savePortToolTip(QWidget& window, QWidget& button, const QDir& directory, const char* name)
{
    const QPoint pointer(button.width() / 3, button.height() / 2);
    QHelpEvent rest(QEvent::ToolTip, pointer, button.mapToGlobal(pointer));
    QApplication::sendEvent(&button, &rest);
    QTest::qWait(100);
    QWidget* tip = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (candidate->inherits("QTipLabel") && candidate->isVisible())
            tip = candidate;
    }
    if (!tip) {
        std::fprintf(stderr, "%s shows no tooltip\n", qPrintable(button.objectName()));
        return false;
    }
    const bool saved = save({&window, tip}, directory, name);
    QToolTip::hideText();
    return saved;
}

// Shows a real box and takes its picture (with the windows under it) before
// closing it.
template <typename ShowBox>
bool saveBox(const QDir& directory, const char* name, ShowBox showBox, QList<QWidget*> under = {})
{
    bool saved = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box)
            return;
        under.prepend(box);
        saved = save(under, directory, name);
        box->close();
    });
    showBox();
    return saved;
}

// The line goes dead during the write: the window with the program's box.
bool failedRun(const QDir& directory)
{
    sim::Config config;
    config.faults.hangUpAfterBytes = 30000;
    sim::Instrument instrument(config);
    const QString link = QStringLiteral("veltor-sim-failing");
    if (!QFile::link(QString::fromStdString(instrument.devicePath()), link))
        return false;
    ScopedPortMapping mapping(simulatedPort, link.toStdString());
    DialogRecorder dialogs;
    TForm1 window(dialogs);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    window.RadioButton3->setChecked(true);
    window.BitBtn1Click();
    bool saved = false;
    dialogs.onShown = [&](const DialogRecorder::Shown& shown) {
        if (shown.kind == DialogRecorder::Message)
            saved = saveBox(directory, "program-failed.png", [&] { QtDialogs().programMessage(shown.text); },
                            {&window});
    };
    window.BitBtn4->setFocus(Qt::MouseFocusReason);
    window.BitBtn4Click();
    return saved;
}

// A build carrying the stand-in, as it starts: the window's mark and the box.
int standInStart(const QDir& directory)
{
    const standIn::Pretend build(true);
    IsolatedPorts ports;
    DialogRecorder recorder;
    TForm1 window(recorder);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    windowManagerFrames = QTest::qWaitFor([&] { return hasFrame(window); }, 5000);
    QtDialogs dialogs(&window);
    const bool saved = saveBox(directory, "stand-in-start.png", [&] { standIn::warnAtStart(dialogs); }, {&window});
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(applicationTitle));
    QApplication::setWindowIcon(pictures::applicationIconSet());
    const QDir directory(QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath());
    if (!directory.exists()) {
        std::fprintf(stderr, "no such directory: %s\n", qPrintable(directory.path()));
        return 2;
    }

    if (argc > 2 && QString::fromLatin1(argv[2]) == QStringLiteral("--stand-in"))
        return standInStart(directory);

    const standIn::Pretend realImage(false);
    IsolatedPorts ports;
    sim::Instrument instrument(sim::Config{});
    QTemporaryDir linkFolder;
    if (!QFile::link(QString::fromStdString(instrument.devicePath()),
                     linkFolder.filePath(QString::fromLatin1(simulatedDeviceLink))) ||
        !QDir::setCurrent(linkFolder.path())) {
        std::fprintf(stderr, "cannot link the simulator's device in %s\n", qPrintable(linkFolder.path()));
        return 1;
    }
    ScopedPortMapping mapping(simulatedPort, simulatedDeviceLink);
    DialogRecorder dialogs;
    dialogs.answers = {true};
    TForm1 window(dialogs);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    windowManagerFrames = QTest::qWaitFor([&] { return hasFrame(window); }, 5000);

    std::printf("%s; window centre %d,%d with its frame, %d,%d without; screen centre %d,%d\n",
                windowManagerFrames ? "framed by a window manager" : "no window manager",
                window.frameGeometry().center().x(), window.frameGeometry().center().y(),
                window.geometry().center().x(), window.geometry().center().y(),
                window.screen()->availableGeometry().center().x(),
                window.screen()->availableGeometry().center().y());
    window.RadioButton3->setChecked(true);
    bool ok = save({&window}, directory, "main-window-start.png");
    ok = savePortToolTip(window, *window.RadioButton3, directory, "main-window-port-tooltip.png") && ok;
    window.BitBtn1Click();
    ok = save({&window}, directory, "main-window-connected.png") && ok;

    MidRunCamera camera(window, directory);
    dialogs.onShown = [&](const DialogRecorder::Shown& shown) {
        if (shown.kind == DialogRecorder::Notice)
            ok = saveBox(directory, "success-notice.png", [&] { QtDialogs(&window).notice(shown.text); }) && ok;
    };
    // As after a click on it: the focus frame shows on the button.
    window.BitBtn4->setFocus(Qt::MouseFocusReason);
    {
        frontend::Binding binding(&camera);
        window.BitBtn4Click();
    }
    dialogs.onShown = nullptr;
    ok = camera.saved && ok;
    {
        // Connected again, through a port that the system describes as an
        // FTDI adapter at its default latency timer.
        const PresentedPorts adapter(describePorts(
            {}, {{"COM3", "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "USB\\VID_0403&PID_6001\\A50285BI",
                  "USB Serial Port (COM3)", "FTDI", "FTSER2K", 16u}}));
        window.BitBtn1Click();
        ok = save({&window}, directory, "main-window-latency-timer.png") && ok;
    }

    dialogs.onModal = [&](QDialog& about) {
        about.show();
        if (QTest::qWaitForWindowExposed(&about))
            ok = save({&about}, directory, "about.png") && ok;
        about.close();
    };
    window.N3Click();
    window.hide();
    ok = failedRun(directory) && ok;

    for (const QString& line : dialogs.all())
        std::printf("shown: %s\n", qPrintable(QString(line).replace(u'\n', u' ')));
    return ok ? 0 : 1;
}
