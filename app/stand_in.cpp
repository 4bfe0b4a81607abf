#include "app/stand_in.h"

#include "app/dialogs.h"
#include "image/builtin_image.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

namespace standIn {

namespace {

constexpr int followBuild = -1;
int pretended = followBuild;

} // namespace

bool carried()
{
    return pretended == followBuild ? builtinFirmwareIsStandIn : pretended != 0;
}

Pretend::Pretend(bool standIn) : previous(pretended)
{
    pretended = standIn ? 1 : 0;
}

Pretend::~Pretend()
{
    pretended = previous;
}

QString warningText()
{
    return QString::fromUtf8(standInFirmwareWarning);
}

QString programQuestion()
{
    return QStringLiteral("Ця збірка містить ТЕСТОВУ ЗАМІНУ мікропрограми, а не мікропрограму VELTOR.\n"
                          "Програмування зітре прилад і запише в нього тестові дані.\n"
                          "Ви впевнені, що хочете продовжити?");
}

void markWindow(QMainWindow& window)
{
    if (!carried())
        return;
    auto* mark = new QLabel(QStringLiteral("ТЕСТОВА ЗБІРКА: НЕ ДЛЯ ПРИЛАДІВ"));
    mark->setObjectName(markObjectName);
    mark->setToolTip(warningText());
    QFont font = mark->font();
    font.setBold(true);
    mark->setFont(font);
    // In the menu bar a label would draw with the bar's button text colour.
    mark->setForegroundRole(QPalette::WindowText);
    QPalette palette = mark->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    mark->setPalette(palette);
    mark->setContentsMargins(0, 0, 6, 0);
    window.menuBar()->setCornerWidget(mark, Qt::TopRightCorner);
}

void warnAtStart(Dialogs& dialogs)
{
    if (carried())
        dialogs.errorBox(warningText());
}

bool confirmRun(Dialogs& dialogs)
{
    return !carried() || dialogs.confirm(programQuestion());
}

} // namespace standIn
