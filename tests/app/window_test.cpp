// The main window without an instrument: start-up state, the port probe and
// reset, the caption and version texts, the error box text, input blocking
// and the progress bar as the core sees it.
#include "app/input_blocker.h"
#include "app/programmer.h"
#include "app/stand_in.h"
#include "app/version_text.h"
#include "common/frontend.h"
#include "link/serial_port.h"
#include "sim/instrument.h"
#include "tests/app/dialog_recorder.h"
#include "tests/app/isolated_ports.h"
#include "tests/support/paired_phone.h"
#include "tests/support/presented_ports.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QString noPortsMessage = QStringLiteral("COM порти не знайдені!");
const QString notConnectedText = QStringLiteral("Зв'язок з VELTOR не встановлено!");

QRadioButton* portButton(TForm1& window, int port)
{
    return window.findChild<QRadioButton*>(QStringLiteral("RadioButton%1").arg(port));
}

QColor textColour(const QLineEdit* edit)
{
    return edit->palette().color(QPalette::Active, QPalette::Text);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { previousVersion = 3; }

    void startsNotConnectedWithItsCaptionAndShortHeight()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(Form1, &window);
        QCOMPARE(window.windowTitle(), QStringLiteral("Оновленя Версії VELTOR до версії: 3.58"));
        QCOMPARE(window.Edit1->text(), notConnectedText);
        QCOMPARE(textColour(window.Edit1), QColor(255, 0, 0));
        QVERIFY(!window.BitBtn3->isEnabled());
        QVERIFY(!window.BitBtn4->isEnabled());
        QVERIFY(window.BitBtn1->isEnabled());
        QVERIFY(window.GroupBox3->isHidden());
        QCOMPARE(window.Edit2->text(), QStringLiteral("Немає зв'язку"));
        QCOMPARE(previousVersion, 3);
        QCOMPARE(window.ProgressBar1->maximum(), 100);

        // Fixed size; the client area ends just below the progress bar.
        QCOMPARE(window.minimumSize(), window.maximumSize());
        const QWidget* client = window.centralWidget();
        QCOMPARE(client->width(), TForm1::clientWidth);
        QCOMPARE(client->height(), TForm1::startClientHeight);
        const int progressBottom = window.ProgressBar1->geometry().bottom();
        QVERIFY(progressBottom < client->height());
        QVERIFY(client->height() - progressBottom < 10);

        const QPoint screenCentre = window.screen()->availableGeometry().center();
        const QPoint offCentre = window.frameGeometry().center() - screenCentre;
        QVERIFY2(offCentre.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("off centre by %1, %2").arg(offCentre.x()).arg(offCentre.y())));

        const QList<QAction*> menu = window.MainMenu1->actions();
        QCOMPARE(menu.size(), 3);
        QCOMPARE(menu[0]->text(), QStringLiteral("&Вихід"));
        QCOMPARE(menu[1]->text(), QStringLiteral("&Допомога"));
        QCOMPARE(menu[2]->text(), QStringLiteral("&?"));
    }

    void portCaptionsSpellTheFirstFiveInCyrillic()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        for (int port = 1; port <= 10; ++port) {
            const QString caption = portButton(window, port)->text();
            const QString latin = QStringLiteral("COM%1").arg(port);
            const QString cyrillic = QStringLiteral("СОМ%1").arg(port);
            QCOMPARE(caption, port <= 5 ? cyrillic : latin);
        }
    }

    void focusMovesFromThePortsThroughTheCommandsToThePreviousVersion()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        const QList<QWidget*> expected{window.RadioButton1, window.RadioButton2, window.RadioButton3,
                                       window.RadioButton4, window.RadioButton5, window.RadioButton6,
                                       window.RadioButton7, window.RadioButton8, window.RadioButton9,
                                       window.RadioButton10, window.BitBtn5, window.Edit1,
                                       window.BitBtn1, window.BitBtn4, window.BitBtn3, window.Edit2};
        QList<QWidget*> chain{expected.front()};
        for (QWidget* next = expected.front()->nextInFocusChain(); chain.size() < expected.size();
             next = next->nextInFocusChain()) {
            if (expected.contains(next))
                chain << next;
        }
        QCOMPARE(chain, expected);
    }

    void withoutOpenablePortsEveryButtonIsDisabledAndEachProbeSaysSo()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        QCOMPARE(dialogs.all(), QStringList{QStringLiteral("message: ") + noPortsMessage});
        for (int port = 1; port <= 10; ++port)
            QVERIFY2(!portButton(window, port)->isEnabled(), qPrintable(QString::number(port)));

        window.BitBtn5Click();
        window.BitBtn5Click();
        QCOMPARE(dialogs.texts(DialogRecorder::Message), QStringList(3, noPortsMessage));
        QVERIFY(dialogs.texts(DialogRecorder::Error).isEmpty());
    }

    void probeEnablesOnlyThePortsThatOpenAndShowsTheirDevices()
    {
        IsolatedPorts ports;
        sim::Instrument instrument(sim::Config{});
        ScopedPortMapping mapping(4, instrument.devicePath());
        DialogRecorder dialogs;
        TForm1 window(dialogs);

        QVERIFY(dialogs.shown.empty());
        for (int port = 1; port <= 10; ++port)
            QCOMPARE(portButton(window, port)->isEnabled(), port == 4);
        QCOMPARE(portButton(window, 4)->toolTip(), QString::fromStdString(instrument.devicePath()));
        // The probe leaves no port open.
        SerialPort port(4, 5);
        port.openPort();
    }

    // COM4 leads to a port that would open, but the system describes it as a
    // paired phone's link: the probe leaves it alone, at start and at reset.
    void aBluetoothLinkIsShownUnavailableWithoutBeingOpened()
    {
        IsolatedPorts ports;
        sim::Instrument instrument(sim::Config{});
        ScopedPortMapping mapping(4, instrument.devicePath());
        const PresentedPorts phone(pairedPhone::ports());
        const int opens = inotify_init1(IN_NONBLOCK);
        QVERIFY(inotify_add_watch(opens, instrument.devicePath().c_str(), IN_OPEN) >= 0);
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        window.BitBtn5Click();

        char event[256];
        QCOMPARE(read(opens, event, sizeof event), ssize_t(-1));
        close(opens);
        QVERIFY(!window.RadioButton4->isEnabled());
        QCOMPARE(window.RadioButton4->toolTip(),
                 QString::fromStdString(instrument.devicePath()) +
                     QStringLiteral("\nStandard Serial over Bluetooth link (COM4)\nMicrosoft\nдрайвер BTHMODEM"
                                    "\nз'єднання Bluetooth: не відкривався, VELTOR під'єднується кабелем"));
        QCOMPARE(dialogs.texts(DialogRecorder::Message), QStringList(2, noPortsMessage));
    }

    void resetUnchecksThePortSoThatConnectAsksForOne()
    {
        IsolatedPorts ports;
        sim::Instrument instrument(sim::Config{});
        ScopedPortMapping mapping(10, instrument.devicePath());
        DialogRecorder dialogs;
        TForm1 window(dialogs);

        QCOMPARE(window.selectedPort(), TForm1::noPortSelected);
        window.RadioButton10->setChecked(true);
        QCOMPARE(window.selectedPort(), QStringLiteral("10"));
        window.RadioButton2->setEnabled(true);
        window.RadioButton2->setChecked(true);
        QCOMPARE(window.selectedPort(), QStringLiteral("2"));

        window.setCommandsEnabled(true);
        window.BitBtn5Click();
        QCOMPARE(window.selectedPort(), TForm1::noPortSelected);
        QVERIFY(!window.BitBtn4->isEnabled());
        QCOMPARE(window.Edit1->text(), notConnectedText);

        window.BitBtn1Click();
        window.BitBtn3Click();
        window.BitBtn4Click();
        QCOMPARE(dialogs.texts(DialogRecorder::Message), QStringList(3, QStringLiteral("COM порт не вибраний!")));
        QCOMPARE(instrument.counters().bytesFromHost, 0u);
    }

    void portButtonNumbersOutsideOneToTenChangeNothing()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        window.setPortButtonEnabled(0, true);
        window.setPortButtonEnabled(11, true);
        window.setPortButtonEnabled(-1, true);
        for (int port = 1; port <= 10; ++port)
            QVERIFY(!portButton(window, port)->isEnabled());
        window.setPortButtonEnabled(10, true);
        QVERIFY(window.RadioButton10->isEnabled());
        QVERIFY(!window.RadioButton9->isEnabled());
    }

    void versionTexts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("version");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("target") << "C" << targetVersion << "3.58" << "3.58";
        QTest::newRow("358 hundredths") << "C" << 358 * 0.01 << "3.58" << "3.58";
        QTest::newRow("357 hundredths") << "C" << 357 * 0.01 << "3.57" << "3.57";
        QTest::newRow("one decimal") << "C" << 360 * 0.01 << "3.6" << "3.60";
        QTest::newRow("whole") << "C" << 300 * 0.01 << "3" << "3";
        QTest::newRow("two digits whole") << "C" << 10.0 << "10" << "10";
        QTest::newRow("comma separator") << "uk_UA" << targetVersion << "3,58" << "3,58";
        QTest::newRow("comma one decimal") << "uk_UA" << 350 * 0.01 << "3,5" << "3,50";
        QTest::newRow("no group separator") << "en_US" << 1234.5 << "1234.5" << "1234.5";
    }

    void versionTexts()
    {
        QFETCH(QString, locale);
        QFETCH(double, version);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        const QLocale previous;
        QLocale::setDefault(QLocale(locale));
        const QString shown = versionText(version);
        const QString captionShown = captionVersionText(version);
        QLocale::setDefault(previous);
        QCOMPARE(shown, text);
        QCOMPARE(captionShown, caption);
    }

    void errorBoxAddsAFullStopOnlyAfterCharactersAboveIt_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("digit") << "Помилка відкриття  порту COM7" << "Помилка відкриття  порту COM7.";
        QTest::newRow("cyrillic") << "Немає" << "Немає.";
        QTest::newRow("slash, just above") << "a/" << "a/.";
        QTest::newRow("exclamation") << "Таймаут протягом операції читання з COM порту!"
                                     << "Таймаут протягом операції читання з COM порту!";
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("hyphen, just below") << "a-" << "a-";
        QTest::newRow("line feed") << "a\n" << "a\n";
    }

    void errorBoxAddsAFullStopOnlyAfterCharactersAboveIt()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(errorBoxText(message), shown);
    }

    void inputIsDroppedWhileACommandRunsButOtherWindowsStillWork()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QLineEdit otherWindow;
        otherWindow.show();
        dialogs.clear();
        {
            UserInputBlocker blocker(window);
            QTest::mouseClick(window.BitBtn5, Qt::LeftButton);
            QTest::keyClick(window.Edit1, Qt::Key_A);
            QTest::keyClicks(&otherWindow, QStringLiteral("ok"));
            QVERIFY(!window.close());
            QVERIFY(window.isVisible());
            blocker.discardQueuedInput();
        }
        QVERIFY(dialogs.shown.empty());
        QCOMPARE(otherWindow.text(), QStringLiteral("ok"));

        QTest::mouseClick(window.BitBtn5, Qt::LeftButton);
        QCOMPARE(dialogs.texts(DialogRecorder::Message), QStringList{noPortsMessage});
    }

    void aStandInBuildWarnsAtStartAndStaysMarked_data()
    {
        QTest::addColumn<bool>("standIn");
        QTest::newRow("stand-in") << true;
        QTest::newRow("real image") << false;
    }

    void aStandInBuildWarnsAtStartAndStaysMarked()
    {
        QFETCH(bool, standIn);
        const standIn::Pretend build(standIn);
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        dialogs.clear();
        standIn::warnAtStart(dialogs);

        QCOMPARE(dialogs.texts(DialogRecorder::Error),
                 standIn ? QStringList{standIn::warningText()} : QStringList{});
        const auto* mark = window.findChild<QLabel*>(standIn::markObjectName);
        QCOMPARE(mark != nullptr, standIn);
        if (!mark)
            return;
        QVERIFY(mark->isVisible());
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            QCOMPARE(mark->palette().color(group, mark->foregroundRole()), QColor(255, 0, 0));
        // It stays through the commands that reset the window.
        window.BitBtn5Click();
        QVERIFY(mark->isVisible());
        QCOMPARE(window.centralWidget()->height(), TForm1::startClientHeight);
    }

    void aBoxStaysWithItsWindowAndOnlyAFreshEnterAnswersIt()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        const auto enter = [&](QWidget* target, QEvent::Type type, bool autoRepeat) {
            QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), autoRepeat);
            QCoreApplication::sendEvent(target, &key);
        };
        QWidget* owner = nullptr;
        bool answeredByARepeat = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            owner = box->parentWidget();
            enter(box, QEvent::KeyPress, true);
            answeredByARepeat = !box->isVisible();
            enter(box, QEvent::KeyPress, false);
            box->close(); // answered already, unless the fresh press failed
        });
        QVERIFY(QtDialogs(&window).confirm(QStringLiteral("?")));
        QCOMPARE(owner, &window);
        QVERIFY(!answeredByARepeat);
        enter(&window, QEvent::KeyRelease, false);
    }

    void everyButtonShowsWhenItHasTheFocus()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        window.setCommandsEnabled(true);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (QPushButton* button : {window.BitBtn5, window.BitBtn1, window.BitBtn4, window.BitBtn3}) {
            window.Edit1->setFocus(Qt::MouseFocusReason);
            const QImage without = button->grab().toImage();
            button->setFocus(Qt::MouseFocusReason);
            QVERIFY(button->hasFocus());
            QVERIFY2(button->grab().toImage() != without, qPrintable(button->objectName()));
        }
    }

    void theCoreDrivesThisWindowsProgressBar()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        frontend::progress().setMaximum(81756);
        frontend::progress().setPosition(40000);
        QCOMPARE(window.ProgressBar1->maximum(), 81756);
        QCOMPARE(window.ProgressBar1->value(), 40000);
        frontend::progress().setPosition(90000);
        QCOMPARE(window.ProgressBar1->value(), 81756);
        frontend::progress().setPosition(0);
        QCOMPARE(window.ProgressBar1->value(), 0);

        frontend::alerts().showNotice("Верифікація успішна!");
        QCOMPARE(dialogs.texts(DialogRecorder::Notice), QStringList{QStringLiteral("Верифікація успішна!")});
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
