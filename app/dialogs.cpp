#include "app/dialogs.h"

#include "app/busy_pointer.h"

#include <QDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

// Room for a caption in the window manager's title bar: its text in a title
// font up to half again as wide as the box's, beside the frame's buttons.
int captionRoom(const QMessageBox& box)
{
    constexpr int frameButtons = 140;
    return box.fontMetrics().horizontalAdvance(box.windowTitle()) * 3 / 2 + frameButtons;
}

// A message box takes the width of its text and buttons only, so that the
// window manager would cut a caption wider than a short text.
void widenForCaption(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid || box.windowTitle().isEmpty())
        return;
    grid->addItem(new QSpacerItem(captionRoom(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                  0, 1, grid->columnCount());
}

int execute(QMessageBox& box)
{
    NormalPointer normal;
    widenForCaption(box);
    return box.exec();
}

void showOkBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.setDefaultButton(QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    execute(box);
}

} // namespace

void QtDialogs::programMessage(const QString& text)
{
    showOkBox(window, QMessageBox::NoIcon, QString(), text);
}

void QtDialogs::errorBox(const QString& text)
{
    showOkBox(window, QMessageBox::Critical, QString::fromUtf8(applicationTitle), text);
}

void QtDialogs::notice(const QString& text)
{
    showOkBox(window, QMessageBox::NoIcon, QString::fromUtf8(applicationTitle), text);
}

bool QtDialogs::confirm(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), question,
                    QMessageBox::Yes | QMessageBox::No, window);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    return execute(box) == QMessageBox::Yes;
}

void QtDialogs::runModal(QDialog& dialog)
{
    NormalPointer normal;
    dialog.exec();
}

QString errorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}
