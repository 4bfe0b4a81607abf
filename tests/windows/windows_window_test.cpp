// What only the Windows build of the window can get wrong: its texts must
// arrive as UTF-8 through the MinGW compiler, its pictures come from PNG files
// rendered when it was built, and its static Qt must carry the vista style.
#include "app/pictures.h"
#include "app/programmer.h"
#include "tests/app/dialog_recorder.h"

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QtTest>

class WindowsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theUkrainianTextsArriveAsUtf8()
    {
        DialogRecorder dialogs;
        TForm1 window(dialogs);
        // "Зв'язок з VELTOR не встановлено!" and "Програмувати", spelt in bytes.
        QCOMPARE(window.Edit1->text(),
                 QString::fromUtf8("\xd0\x97\xd0\xb2'\xd1\x8f\xd0\xb7\xd0\xbe\xd0\xba \xd0\xb7 VELTOR "
                                   "\xd0\xbd\xd0\xb5 \xd0\xb2\xd1\x81\xd1\x82\xd0\xb0\xd0\xbd\xd0\xbe\xd0\xb2"
                                   "\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xbe!"));
        QCOMPARE(window.BitBtn4->text(),
                 QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xbe\xd0\xb3\xd1\x80\xd0\xb0\xd0\xbc\xd1\x83\xd0\xb2"
                                   "\xd0\xb0\xd1\x82\xd0\xb8"));
    }

    void eachPictureIsDrawnAtTheAskedSize_data()
    {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QSize>("size");
        QTest::newRow("application icon, smallest") << pictures::applicationIcon << QSize(16, 16);
        QTest::newRow("reset") << pictures::reset << QSize(21, 21);
        QTest::newRow("connect") << pictures::connect << QSize(30, 30);
        QTest::newRow("program") << pictures::program << QSize(26, 26);
        QTest::newRow("leave") << pictures::leave << QSize(26, 26);
        QTest::newRow("instrument, not square") << pictures::instrument << QSize(135, 207);
    }

    void eachPictureIsDrawnAtTheAskedSize()
    {
        QFETCH(QString, resource);
        QFETCH(QSize, size);
        const QImage image = pictures::render(resource, size).toImage();
        QCOMPARE(image.size() / image.devicePixelRatio(), size);
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
        QVERIFY2(drawn > image.width() * image.height() / 10, qPrintable(QString::number(drawn)));
    }

    void theVistaStyleIsBuiltIn()
    {
        QVERIFY2(QStyleFactory::keys().contains(QStringLiteral("windowsvista"), Qt::CaseInsensitive),
                 qPrintable(QStyleFactory::keys().join(u' ')));
    }
};

QTEST_MAIN(WindowsWindowTest)
#include "windows_window_test.moc"
