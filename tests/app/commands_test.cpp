// Connect, leave programming and program from the window, against the
// simulated instrument on COM3.
#include "app/programmer.h"
#include "app/stand_in.h"
#include "common/general_exception.h"
#include "image/builtin_image.h"
#include "link/serial_port.h"
#include "sim/instrument.h"
#include "tests/app/dialog_recorder.h"
#include "tests/app/isolated_ports.h"
#include "tests/support/presented_ports.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr int simulatedPort = 3;
const QString connectedText = QStringLiteral("Зв'язок встановлено...");
const QString notConnectedText = QStringLiteral("Зв'язок з VELTOR не встановлено!");
const QString programFailed = QStringLiteral("Помилка при виконанні програми!");
const QString verified = QStringLiteral("Верифікація успішна!");

// The window with COM3 on a simulated instrument and COM3 chosen.
// Another program holding the device open, which turns every other opener away.
class HeldElsewhere {
public:
    explicit HeldElsewhere(const std::string& device) : mapping(heldThrough, device), holder(heldThrough, 5)
    {
        holder.openPort();
    }

private:
    static constexpr int heldThrough = 9;
    ScopedPortMapping mapping;
    SerialPort holder;
};

struct Bench {
    explicit Bench(const sim::Config& config)
        : instrument(config), mapping(simulatedPort, instrument.devicePath()), window(dialogs)
    {
        window.RadioButton3->setChecked(true);
    }

    std::uint64_t bytesFromHost() const { return instrument.counters().bytesFromHost; }
    bool portIsFree() const
    {
        try {
            SerialPort port(simulatedPort, 5);
            port.openPort();
            return true;
        } catch (const GeneralException&) {
            return false;
        }
    }

    standIn::Pretend realImage{false};
    IsolatedPorts ports;
    sim::Instrument instrument;
    ScopedPortMapping mapping;
    DialogRecorder dialogs;
    TForm1 window;
};

sim::Config firmware(std::uint8_t major, std::uint8_t minor)
{
    sim::Config config;
    config.firmwareMajor = major;
    config.firmwareMinor = minor;
    return config;
}

QColor textColour(const QLineEdit* edit)
{
    return edit->palette().color(QPalette::Active, QPalette::Text);
}

bool flashHoldsTheBuiltInImage(const sim::Instrument& instrument)
{
    const std::vector<std::uint8_t> flash = instrument.flash();
    return flash.size() >= builtinFirmwareLength &&
           std::equal(builtinFirmwareImage, builtinFirmwareImage + builtinFirmwareLength, flash.begin());
}

QString overwriteQuestion(const QString& existing)
{
    return QStringLiteral("Існуючу версію мікропрограми в VELTOR: ") + existing +
           QStringLiteral("\nВи замінюєте версією: 3.58\nВи впевнені, що хочете переписати версію?");
}

// Counts how often a widget is painted.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { previousVersion = 3; }

    void connectShowsTheFirmwareVersionAndEnablesTheCommands()
    {
        Bench bench(firmware(3, 57));
        bench.window.show();
        bench.window.BitBtn1Click();

        QVERIFY2(bench.dialogs.shown.empty(), qPrintable(bench.dialogs.all().join(u'\n')));
        QCOMPARE(bench.window.Edit1->text(), connectedText);
        QCOMPARE(textColour(bench.window.Edit1), QColor(0, 128, 0));
        QVERIFY(bench.window.BitBtn3->isEnabled());
        QVERIFY(bench.window.BitBtn4->isEnabled());
        QCOMPARE(bench.window.Edit2->text(), QStringLiteral("3.57"));
        QCOMPARE(previousVersion, 357);
        QVERIFY(bench.window.GroupBox3->isVisible());
        QCOMPARE(bench.window.centralWidget()->height(), TForm1::grownClientHeight);
        QVERIFY(bench.window.GroupBox3->geometry().bottom() < TForm1::grownClientHeight);
        QCOMPARE(bench.window.ProgressBar1->value(), 0);
        QVERIFY(bench.instrument.inBootloader());
        QVERIFY(bench.portIsFree());
    }

    void anOldBootloaderGivesThreeWithoutGrowingTheWindow()
    {
        sim::Config config;
        config.softwareMajor = 2;
        config.softwareMinor = 109; // version number 209
        Bench bench(config);
        bench.window.show();
        bench.window.BitBtn1Click();

        QVERIFY2(bench.dialogs.shown.empty(), qPrintable(bench.dialogs.all().join(u'\n')));
        QCOMPARE(bench.window.Edit1->text(), connectedText);
        QVERIFY(bench.window.BitBtn4->isEnabled());
        QCOMPARE(bench.window.Edit2->text(), QStringLiteral("3.00"));
        QCOMPARE(previousVersion, 300);
        QVERIFY(bench.window.GroupBox3->isHidden());
        QCOMPARE(bench.window.centralWidget()->height(), TForm1::startClientHeight);
    }

    void aForeignIdentifierLeavesTheCommandsOffButStillReadsTheVersion()
    {
        sim::Config config = firmware(3, 5);
        config.identifier = "AVRBOOX";
        Bench bench(config);
        bench.window.setCommandsEnabled(true);
        bench.window.show();
        bench.window.BitBtn1Click();

        QVERIFY2(bench.dialogs.shown.empty(), qPrintable(bench.dialogs.all().join(u'\n')));
        QCOMPARE(bench.window.Edit1->text(), notConnectedText);
        QCOMPARE(textColour(bench.window.Edit1), QColor(255, 0, 0));
        QVERIFY(!bench.window.BitBtn3->isEnabled());
        QVERIFY(!bench.window.BitBtn4->isEnabled());
        QCOMPARE(bench.window.Edit2->text(), QStringLiteral("3.5"));
        QCOMPARE(previousVersion, 350);
        QVERIFY(bench.window.GroupBox3->isVisible());
    }

    void anInstrumentThatNeverAnswersEndsInTheErrorBoxWithThePortFree()
    {
        sim::Config config;
        config.faults.neverAnswerProbe = true;
        Bench bench(config);
        int highestPosition = 0;
        QObject::connect(bench.window.ProgressBar1, &QProgressBar::valueChanged,
                         [&](int value) { highestPosition = std::max(highestPosition, value); });
        QElapsedTimer clock;
        clock.start();
        bench.window.BitBtn1Click();

        QVERIFY(clock.elapsed() >= 4000);
        // The probe's seconds showed on the window's bar, on a scale of 5.
        QCOMPARE(bench.window.ProgressBar1->maximum(), 5);
        QVERIFY(highestPosition >= 4);
        QCOMPARE(bench.dialogs.all(),
                 QStringList{QStringLiteral("error: VELTOR не відповідає!\nСпробуйте повторити процедуру\n"
                                            "програмування ще раз!")});
        QCOMPARE(bench.window.Edit1->text(), notConnectedText);
        QVERIFY(!bench.window.BitBtn4->isEnabled());
        QCOMPARE(bench.window.Edit2->text(), QStringLiteral("Немає зв'язку"));
        QCOMPARE(previousVersion, 3);
        QCOMPARE(bench.window.ProgressBar1->value(), 0);
        QVERIFY(bench.portIsFree());
    }

    void leaveProgrammingSendsOneByteAndTurnsTheCommandsOff()
    {
        Bench bench(firmware(3, 57));
        bench.window.BitBtn1Click();
        QVERIFY(bench.window.BitBtn3->isEnabled());
        const std::uint64_t before = bench.bytesFromHost();

        bench.window.BitBtn3Click();

        // The instrument counts what it reads before it acts on it.
        QTRY_VERIFY(!bench.instrument.inBootloader());
        QCOMPARE(bench.bytesFromHost(), before + 1);
        QVERIFY(bench.dialogs.shown.empty());
        QCOMPARE(bench.window.Edit1->text(), notConnectedText);
        QCOMPARE(textColour(bench.window.Edit1), QColor(255, 0, 0));
        QVERIFY(!bench.window.BitBtn3->isEnabled());
        QVERIFY(!bench.window.BitBtn4->isEnabled());
        QCOMPARE(bench.window.Edit2->text(), QStringLiteral("3.57"));
        QCOMPARE(previousVersion, 357);
        QVERIFY(bench.portIsFree());
    }

    // Another adapter plugged in after the connect renumbers the ports; the
    // connect's button still reaches the instrument that the connect found,
    // until a reset. Another button is that button's port as it is now.
    void programReachesTheConnectedDeviceUntilReset()
    {
        Bench bench(firmware(3, 57));
        bench.window.BitBtn1Click();
        QTemporaryDir directory;
        ScopedPortMapping renumbered(simulatedPort, directory.filePath(QStringLiteral("other")).toStdString());

        bench.window.RadioButton2->setChecked(true);
        bench.window.BitBtn4Click();
        QCOMPARE(bench.dialogs.all(), QStringList{QStringLiteral("message: ") + programFailed});
        QVERIFY(!flashHoldsTheBuiltInImage(bench.instrument));
        bench.window.RadioButton3->setChecked(true);
        bench.window.BitBtn4Click();
        QCOMPARE(bench.dialogs.texts(DialogRecorder::Notice), QStringList{verified});
        QVERIFY(flashHoldsTheBuiltInImage(bench.instrument));

        bench.window.BitBtn5Click();
        bench.window.RadioButton3->setChecked(true);
        bench.window.BitBtn1Click();
        QCOMPARE(bench.dialogs.texts(DialogRecorder::Error),
                 QStringList{QStringLiteral("Помилка відкриття  порту COM3.")});
    }

    void aPortThatWillNotOpenKeepsTheConnectedStateOnlyForLeaveProgramming()
    {
        Bench bench(firmware(3, 57));
        bench.window.BitBtn1Click();
        const HeldElsewhere held(bench.instrument.devicePath());

        bench.window.BitBtn3Click();

        QCOMPARE(bench.dialogs.all(), QStringList{QStringLiteral("error: Помилка відкриття  порту COM3.")});
        QCOMPARE(bench.window.Edit1->text(), connectedText);
        QVERIFY(bench.window.BitBtn3->isEnabled());
        QVERIFY(bench.window.BitBtn4->isEnabled());

        bench.window.BitBtn1Click();

        QCOMPARE(bench.dialogs.all(), QStringList(2, QStringLiteral("error: Помилка відкриття  порту COM3.")));
        QCOMPARE(bench.window.Edit1->text(), notConnectedText);
        QCOMPARE(textColour(bench.window.Edit1), QColor(255, 0, 0));
        QVERIFY(!bench.window.BitBtn3->isEnabled());
        QVERIFY(!bench.window.BitBtn4->isEnabled());
    }

    void aCompleteUpdateBelowTheTargetAsksNothingAndLeavesTheImageInFlash()
    {
        Bench bench(firmware(3, 57));
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        bench.window.BitBtn1Click();
        PaintCounter progressPaints(bench.window.ProgressBar1);
        // The success notice comes while the command still runs: a click on
        // the window then must not be taken.
        bool clicked = false;
        std::optional<Qt::CursorShape> pointer;
        bench.dialogs.onShown = [&](const DialogRecorder::Shown&) {
            if (const QCursor* cursor = QGuiApplication::overrideCursor())
                pointer = cursor->shape();
            if (!std::exchange(clicked, true))
                QTest::mouseClick(bench.window.BitBtn3, Qt::LeftButton);
        };
        QVERIFY(!QGuiApplication::overrideCursor());
        bench.window.BitBtn4Click();
        bench.dialogs.onShown = nullptr;
        QCOMPARE(pointer, std::optional(Qt::WaitCursor));
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(bench.instrument.inBootloader());
        QVERIFY2(progressPaints.count > 10, qPrintable(QString::number(progressPaints.count)));

        QCOMPARE(bench.dialogs.all(), QStringList{QStringLiteral("notice: ") + verified});
        QVERIFY(flashHoldsTheBuiltInImage(bench.instrument));
        QCOMPARE(bench.window.ProgressBar1->value(), 0);
        // The command itself changes nothing in the window.
        QCOMPARE(bench.window.Edit1->text(), connectedText);
        QVERIFY(bench.window.BitBtn4->isEnabled());
        QCOMPARE(bench.window.Edit2->text(), QStringLiteral("3.57"));
        QCOMPARE(previousVersion, 357);

        bench.window.BitBtn3Click();
        QTRY_VERIFY(!bench.instrument.inBootloader());
        QVERIFY(!bench.window.BitBtn4->isEnabled());
        QVERIFY(flashHoldsTheBuiltInImage(bench.instrument));
    }

    void aHeldEnterAcrossTheSuccessNoticeStartsNothing()
    {
        Bench bench(firmware(3, 57));
        bench.window.BitBtn1Click();
        const auto enter = [&](QEvent::Type type, bool autoRepeat) {
            if (type == QEvent::ApplicationStateChange) {
                QApplicationStateChangeEvent away(Qt::ApplicationInactive);
                QCoreApplication::sendEvent(qApp, &away);
                return;
            }
            QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), autoRepeat);
            QCoreApplication::sendEvent(bench.window.BitBtn4, &key);
        };
        // Enter goes down to close each success notice, and stays down.
        bench.dialogs.onShown = [&](const DialogRecorder::Shown&) { enter(QEvent::KeyPress, false); };
        bench.window.BitBtn4Click();
        const auto runs = [&] { return bench.dialogs.texts(DialogRecorder::Notice).size(); };
        QCOMPARE(runs(), 1);

        struct Step {
            QEvent::Type type;
            bool autoRepeat;
            qsizetype runsAfter;
        };
        const Step steps[] = {
            {QEvent::KeyPress, true, 1},    // the key repeats
            {QEvent::KeyPress, false, 1},   // a press the platform did not mark as a repeat
            {QEvent::KeyRelease, false, 1}, // let go at last
            {QEvent::KeyPress, true, 1},    // a repeat never presses a button
            {QEvent::KeyPress, false, 2},   // a fresh press does
            {QEvent::ApplicationStateChange, false, 2}, // let go in another application
            {QEvent::KeyPress, false, 3},   // a press after coming back is fresh
        };
        for (const Step& step : steps) {
            enter(step.type, step.autoRepeat);
            QCOMPARE(runs(), step.runsAfter);
        }
        bench.dialogs.onShown = nullptr;
        enter(QEvent::KeyRelease, false);
    }

    // Which timers earn the line is told by the ports' own tests.
    void anAdapterWhoseTimerHoldsTheRepliesIsToldUnderThePorts()
    {
        Bench bench(firmware(3, 57));
        const PresentedPorts adapter(describePorts(
            {}, {{"COM3", "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "", "USB Serial Port (COM3)", "FTDI",
                  "FTSER2K", 16u}}));
        bench.window.show();
        bench.window.BitBtn1Click();

        const QLabel* notice = bench.window.latencyNotice;
        QVERIFY(notice->isVisible());
        QVERIFY2(notice->text().startsWith(QStringLiteral("Таймер затримки FTDI 16 мс → 1 мс")),
                 qPrintable(notice->text()));
        // Whole, in the gap between the port group and the connection group.
        QVERIFY(notice->fontMetrics().horizontalAdvance(notice->text()) <= notice->width());
        QVERIFY(notice->geometry().top() > bench.window.GroupBox1->geometry().bottom());
        QVERIFY(notice->geometry().bottom() < bench.window.GroupBox2->geometry().top());
        bench.window.BitBtn5Click();
        QVERIFY(notice->isHidden());
    }

    void aStandInBuildAlwaysAsksAndSaysSoBeforeItErases_data()
    {
        QTest::addColumn<bool>("standIn");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("stand-in, no") << true << false << false;
        QTest::newRow("stand-in, yes") << true << true << true;
        QTest::newRow("real image") << false << false << true;
    }

    void aStandInBuildAlwaysAsksAndSaysSoBeforeItErases()
    {
        QFETCH(bool, standIn);
        QFETCH(bool, answer);
        QFETCH(bool, written);
        Bench bench(firmware(3, 57));
        const standIn::Pretend build(standIn);
        bench.window.BitBtn1Click();
        const std::uint64_t sentByConnect = bench.bytesFromHost();
        bench.dialogs.answers = {answer};
        bench.window.BitBtn4Click();

        QCOMPARE(bench.dialogs.texts(DialogRecorder::Question),
                 standIn ? QStringList{standIn::programQuestion()} : QStringList{});
        QVERIFY(!standIn || standIn::programQuestion().contains(QStringLiteral("ТЕСТОВУ ЗАМІНУ")));
        QCOMPARE(bench.bytesFromHost() > sentByConnect, written);
        QCOMPARE(flashHoldsTheBuiltInImage(bench.instrument), written);
    }

    void atTheTargetVersionOnlyYesOverwrites()
    {
        Bench bench(firmware(3, 58));
        bench.window.BitBtn1Click();
        QCOMPARE(previousVersion, 358);
        const std::uint64_t before = bench.bytesFromHost();

        bench.dialogs.answers = {false};
        bench.window.BitBtn4Click();
        QCOMPARE(bench.dialogs.all(), QStringList{QStringLiteral("question: ") + overwriteQuestion("3.58")});
        // The instrument answers in order: once it has identified itself to
        // the test, it has read whatever the window sent before.
        {
            SerialPort line(simulatedPort, 5);
            line.openPort();
            line.writeByte('S');
            line.purgeTransmit();
            for (int i = 0; i < 7; ++i)
                line.readByte();
        }
        QCOMPARE(bench.bytesFromHost(), before + 1);
        QVERIFY(!flashHoldsTheBuiltInImage(bench.instrument));

        bench.dialogs.clear();
        bench.dialogs.answers = {true};
        bench.window.BitBtn4Click();
        QCOMPARE(bench.dialogs.all(), (QStringList{QStringLiteral("question: ") + overwriteQuestion("3.58"),
                                                   QStringLiteral("notice: ") + verified}));
        QVERIFY(flashHoldsTheBuiltInImage(bench.instrument));
        QCOMPARE(previousVersion, 358);
    }

    void aNewerVersionIsAskedAboutInItsShortestForm()
    {
        Bench bench(firmware(3, 60));
        bench.window.BitBtn1Click();
        bench.dialogs.answers = {false};
        bench.window.BitBtn4Click();
        QCOMPARE(bench.dialogs.texts(DialogRecorder::Question), QStringList{overwriteQuestion("3.6")});
    }

    void aFailedRunShowsOnlyTheProgramsOwnMessage()
    {
        sim::Config config = firmware(3, 57);
        config.faults.corruptReadAddress = 100;
        Bench bench(config);
        bench.window.BitBtn1Click();
        bench.window.BitBtn4Click();

        QCOMPARE(bench.dialogs.all(), QStringList{QStringLiteral("message: ") + programFailed});
        QCOMPARE(bench.window.ProgressBar1->value(), 0);
        QCOMPARE(bench.window.Edit1->text(), notConnectedText);
        QVERIFY(!bench.window.BitBtn4->isEnabled());
        QVERIFY(bench.portIsFree());
    }

    // Half-written, the instrument needs a new connect: the window says so
    // and offers nothing else, yet remembers the version it had.
    void aLineThatDiesMidWriteLeavesTheWindowNotConnected()
    {
        sim::Config config = firmware(3, 57);
        config.faults.hangUpAfterBytes = 30000;
        Bench bench(config);
        bench.window.show();
        bench.window.BitBtn1Click();
        QString stateWithTheBox;
        bench.dialogs.onShown = [&](const DialogRecorder::Shown&) { stateWithTheBox = bench.window.Edit1->text(); };
        bench.window.BitBtn4Click();

        QCOMPARE(bench.dialogs.all(), QStringList{QStringLiteral("message: ") + programFailed});
        QCOMPARE(stateWithTheBox, connectedText);
        QCOMPARE(bench.window.ProgressBar1->value(), 0);
        QCOMPARE(bench.window.Edit1->text(), notConnectedText);
        QCOMPARE(textColour(bench.window.Edit1), QColor(255, 0, 0));
        QVERIFY(bench.window.Label1->isVisible());
        QVERIFY(!bench.window.BitBtn3->isEnabled());
        QVERIFY(!bench.window.BitBtn4->isEnabled());
        QCOMPARE(previousVersion, 357);
        QCOMPARE(bench.window.Edit2->text(), QStringLiteral("3.57"));
        QVERIFY(bench.window.GroupBox3->isVisible());
    }

    void programOnAPortThatWillNotOpenFailsTheSameWay()
    {
        Bench bench(firmware(3, 57));
        bench.window.BitBtn1Click();
        const HeldElsewhere held(bench.instrument.devicePath());
        bench.window.BitBtn4Click();
        QCOMPARE(bench.dialogs.all(), QStringList{QStringLiteral("message: ") + programFailed});
    }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
