// The About dialog, its links and the help file.
#include "app/about.h"
#include "app/programmer.h"
#include "tests/app/dialog_recorder.h"
#include "tests/app/isolated_ports.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

// Records what the window hands to the shell and answers with set results.
struct ShellRecorder {
    ShellOpener opener()
    {
        return [this](QWidget* owner, const QString& target) {
            owners << owner;
            targets << target;
            return results.value(target, shellFileNotFound);
        };
    }
    QMap<QString, int> results;
    QStringList targets;
    QList<QWidget*> owners;
};

// Changes into a fresh, empty working directory for its lifetime.
class ScopedWorkingDirectory {
public:
    ScopedWorkingDirectory() : previous(QDir::currentPath()) { QDir::setCurrent(directory.path()); }
    ~ScopedWorkingDirectory() { QDir::setCurrent(previous); }
    QString path() const { return directory.path(); }

private:
    QTemporaryDir directory;
    QString previous;
};

const QString pdfMissing = QStringLiteral("Не знайдено файл Help.pdf\nв робочому каталозі програми!");

} // namespace

class AboutHelpTest : public QObject {
    Q_OBJECT

private slots:
    void eachAboutIsAFreshCentredDialogOwnedByTheWindow()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        dialogs.clear();
        QList<QPointer<QDialog>> shownDialogs;
        QStringList versionsSeen;
        dialogs.onModal = [&](QDialog& dialog) {
            auto& about = static_cast<TForm2&>(dialog);
            QCOMPARE(Form2, &about);
            QCOMPARE(about.parentWidget(), &window);
            QCOMPARE(about.windowTitle(), QStringLiteral("Інформація про програму"));
            const QPoint offCentre =
                about.frameGeometry().center() - window.screen()->availableGeometry().center();
            QVERIFY(offCentre.manhattanLength() <= 2);
            QVERIFY(about.BitBtn1->isDefault());
            versionsSeen << about.Label13->text();
            about.Label13->setText(QStringLiteral("changed"));
            shownDialogs << &about;
        };

        window.N3Click();
        window.N3Click();

        QCOMPARE(dialogs.modalRuns, 2);
        QCOMPARE(versionsSeen, (QStringList{QStringLiteral("1.03"), QStringLiteral("1.03")}));
        QCOMPARE(shownDialogs.size(), 2);
        QVERIFY(shownDialogs[0].isNull());
        QVERIFY(shownDialogs[1].isNull());
        QCOMPARE(Form2, nullptr);
        QVERIFY(dialogs.shown.empty());
    }

    void theOkButtonClosesTheDialog()
    {
        ShellRecorder shell;
        TForm2 about(nullptr, shell.opener());
        about.show();
        QTest::mouseClick(about.BitBtn1, Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(!about.isVisible());
    }

    void theLinksHandTheirAddressesToTheShell()
    {
        ShellRecorder shell;
        TForm2 about(nullptr, shell.opener());
        about.show();
        QTest::mouseClick(about.Label17, Qt::LeftButton);
        QTest::mouseClick(about.Label16, Qt::LeftButton);
        QTest::mouseClick(about.Label14, Qt::LeftButton);
        QCOMPARE(shell.targets, (QStringList{about.Label17->text(), QStringLiteral("mailto:") + about.Label16->text()}));
        QVERIFY(about.Label17->text().startsWith(QStringLiteral("http")));
        QCOMPARE(shell.owners, (QList<QWidget*>{&about, &about}));
    }

    void helpPrefersTheMhtFile()
    {
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        dialogs.clear();
        ShellRecorder shell;
        shell.results[QStringLiteral("Help.mht")] = shellOpened;
        window.setShellOpener(shell.opener());

        window.N2Click();

        QCOMPARE(shell.targets, QStringList{QStringLiteral("Help.mht")});
        QCOMPARE(shell.owners, QList<QWidget*>{&window});
        QVERIFY(dialogs.shown.empty());
    }

    void helpTellsAMissingFileFromAMissingViewer_data()
    {
        QTest::addColumn<int>("pdfResult");
        QTest::addColumn<QString>("message");
        QTest::newRow("pdf opens") << shellOpened << QString();
        QTest::newRow("pdf missing") << shellFileNotFound << pdfMissing;
        QTest::newRow("no viewer") << shellNoAssociation
                                   << QStringLiteral("Для перегляду файлу допомоги необхідно\n"
                                                     "встановити програму Adobe® Acrobat® Reader\n"
                                                     "https://get.adobe.com/reader/");
        QTest::newRow("other failure") << 0 << QStringLiteral("Для перегляду файлу допомоги необхідно\n"
                                                              "встановити програму Adobe® Acrobat® Reader\n"
                                                              "https://get.adobe.com/reader/");
    }

    void helpTellsAMissingFileFromAMissingViewer()
    {
        QFETCH(int, pdfResult);
        QFETCH(QString, message);
        IsolatedPorts ports;
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        dialogs.clear();
        ShellRecorder shell;
        shell.results[QStringLiteral("Help.mht")] = shellNoAssociation;
        shell.results[QStringLiteral("Help.pdf")] = pdfResult;
        window.setShellOpener(shell.opener());

        window.N2Click();

        QCOMPARE(shell.targets, (QStringList{QStringLiteral("Help.mht"), QStringLiteral("Help.pdf")}));
        QCOMPARE(dialogs.texts(DialogRecorder::Message), message.isNull() ? QStringList() : QStringList{message});
    }

    void helpLooksOnlyInTheWorkingDirectory()
    {
        IsolatedPorts ports;
        ScopedWorkingDirectory empty;
        // Help files beside the executable are not looked for.
        QTemporaryDir elsewhere;
        for (const char* name : {"Help.mht", "Help.pdf"}) {
            QFile file(elsewhere.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(shellOpen(nullptr, QStringLiteral("Help.pdf")), shellFileNotFound);

        DialogRecorder dialogs;
        TForm1 window(dialogs);
        dialogs.clear();
        window.N2Click();
        QCOMPARE(dialogs.texts(DialogRecorder::Message), QStringList{pdfMissing});
    }
};

QTEST_MAIN(AboutHelpTest)
#include "about_help_test.moc"
