// A complete update through the real window, as a technician does it:
// choose the port, connect, program, leave; the real boxes are answered with
// their default button. Runs on the windows platform under wine with a
// display, the port (COM1, or the one VELTOR_DRIVEN_PORT names) mapped to a
// simulated instrument on the host (tools/windows-gui-test); that script
// compares the instrument's flash with the image afterwards. With
// VELTOR_PRESENT_PORTS listing the numbers of the ports Windows has ("1 3 14"),
// the buttons' captions are checked first against what the port table gives
// for them (its rule is proven by the table in tests/ports). With
// VELTOR_SCREENSHOTS naming a folder, pictures of the screen go there: start,
// connected, programming, the success box, About.
#include "app/programmer.h"
#include "app/stand_in.h"
#include "ports/port_numbers.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace {

const QString connectedText = QStringLiteral("Зв'язок встановлено...");
const QString verified = QStringLiteral("Верифікація успішна!");

// The port number each button is expected to stand for.
QList<int> expectedButtonPorts(const QList<int>& present)
{
    QList<int> ports;
    for (std::int32_t port : portButtonNumbers(std::vector<std::int32_t>(present.begin(), present.end())))
        ports << port;
    return ports;
}

// The screen shows the window as it painted itself.
bool screenShows(QWidget& window)
{
    const QImage painted = window.grab().toImage();
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    const QImage shown =
        window.screen()->grabWindow(0, origin.x(), origin.y(), window.width(), window.height()).toImage();
    return shown.convertToFormat(painted.format()) == painted;
}

// The number a caption ends in: the window's own captions for COM1 to COM5
// are written in Cyrillic letters, a port above COM10 is captioned "COM14".
int captionPort(const QString& caption)
{
    qsizetype digits = caption.size();
    while (digits > 0 && caption.at(digits - 1).isDigit())
        --digits;
    return caption.mid(digits).toInt();
}

QList<int> presentPorts()
{
    QList<int> ports;
    for (const QString& number : qEnvironmentVariable("VELTOR_PRESENT_PORTS").split(u' ', Qt::SkipEmptyParts))
        ports << number.toInt();
    return ports;
}

// Saves what the screen shows of a window, its frame included.
class Camera {
public:
    Camera() : directory(qEnvironmentVariable("VELTOR_SCREENSHOTS")) {}

    void shoot(QWidget& widget, const QString& name)
    {
        if (directory.isEmpty())
            return;
        QWidget* window = widget.window();
        window->repaint();
        if (!QTest::qWaitFor([&] { return screenShows(*window); }, 5000))
            qWarning("%s: the screen does not show the window as painted", qPrintable(name));
        const QRect frame = window->frameGeometry();
        QPixmap picture = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        if (picture.isNull())
            picture = window->grab();
        const QString path = QDir(directory).filePath(name + QStringLiteral(".png"));
        if (!picture.save(path))
            qWarning("cannot write %s", qPrintable(path));
        ++taken;
    }

    bool enabled() const { return !directory.isEmpty(); }
    int taken = 0;

private:
    QString directory;
};

// Watches for modal boxes and for the progress bar while a command runs.
class Watcher : public QObject {
public:
    Watcher(TForm1& watched, Camera& shots) : window(watched), camera(shots)
    {
        QObject::connect(&timer, &QTimer::timeout, this, [this] { look(); });
        timer.start(50);
    }

    QStringList boxTexts;
    // Called once, for the next dialog other than a message box.
    std::function<void(QDialog&)> onDialog;
    bool programmingShot = false;

private:
    void look()
    {
        if (busy)
            return;
        busy = true;
        if (!programmingShot && window.ProgressBar1->maximum() > 1000
            && window.ProgressBar1->value() >= window.ProgressBar1->maximum() / 2) {
            programmingShot = true;
            camera.shoot(window, QStringLiteral("windows-programming"));
        }
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxTexts << box->text();
            if (box->text() == verified)
                camera.shoot(*box, QStringLiteral("windows-success"));
            QAbstractButton* answer = box->defaultButton();
            (answer ? answer : box->buttons().constFirst())->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (auto handler = std::exchange(onDialog, nullptr))
                handler(*dialog);
        }
        busy = false;
    }

    TForm1& window;
    Camera& camera;
    QTimer timer;
    bool busy = false;
};

} // namespace

class DrivenUpdateTest : public QObject {
    Q_OBJECT

private slots:
    void connectProgramAndLeaveThroughThePortsButton()
    {
        Camera camera;
        TForm1 window;
        Watcher watcher(window, camera);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const std::array<QRadioButton*, 10> buttons{window.RadioButton1, window.RadioButton2, window.RadioButton3,
                                                    window.RadioButton4, window.RadioButton5, window.RadioButton6,
                                                    window.RadioButton7, window.RadioButton8, window.RadioButton9,
                                                    window.RadioButton10};
        QList<int> buttonPorts;
        for (QRadioButton* button : buttons)
            buttonPorts << captionPort(button->text());
        QStringList numbers;
        for (int number : buttonPorts)
            numbers << QString::number(number);
        qInfo("the buttons stand for the ports %s", qPrintable(numbers.join(u' ')));
        if (const QList<int> present = presentPorts(); !present.isEmpty())
            QCOMPARE(buttonPorts, expectedButtonPorts(present));

        const QString port = qEnvironmentVariable("VELTOR_DRIVEN_PORT", QStringLiteral("COM1"));
        const qsizetype index = buttonPorts.indexOf(captionPort(port));
        QVERIFY2(index >= 0, qPrintable(port + QStringLiteral(" has no button")));
        QRadioButton* const chosen = buttons[static_cast<std::size_t>(index)];
        if (captionPort(port) > 10)
            QCOMPARE(chosen->text(), port);
        QVERIFY2(chosen->isEnabled(), qPrintable(port + QStringLiteral(" should open: is it mapped to the simulator?")));
        QTest::mouseClick(chosen, Qt::LeftButton);
        QVERIFY(chosen->isChecked());
        camera.shoot(window, QStringLiteral("windows-start"));

        QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
        QVERIFY2(watcher.boxTexts.isEmpty(), qPrintable(watcher.boxTexts.join(u'\n')));
        QCOMPARE(window.Edit1->text(), connectedText);
        QVERIFY(window.BitBtn4->isEnabled());
        camera.shoot(window, QStringLiteral("windows-connected"));

        // A build with the stand-in image asks before it programs; the
        // watcher answers with the box's default, which goes on.
        QStringList expectedBoxes;
        if (standIn::carried())
            expectedBoxes << standIn::programQuestion();
        expectedBoxes << verified;
        QTest::mouseClick(window.BitBtn4, Qt::LeftButton);
        QCOMPARE(watcher.boxTexts, expectedBoxes);
        QVERIFY(watcher.programmingShot);

        QTest::mouseClick(window.BitBtn3, Qt::LeftButton);
        QTRY_VERIFY(!window.BitBtn4->isEnabled());
        QCOMPARE(watcher.boxTexts, expectedBoxes);

        watcher.onDialog = [&](QDialog& about) {
            camera.shoot(about, QStringLiteral("windows-about"));
            about.accept();
        };
        window.N3Click();
        if (camera.enabled())
            QCOMPARE(camera.taken, 5);
    }
};

QTEST_MAIN(DrivenUpdateTest)
#include "driven_update_test.moc"
