#include "app/dialogs.h"

#include <QDialog>
#include <QMessageBox>

namespace {

int showBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, caption, text, buttons);
    box.setDefaultButton(defaultButton);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

} // namespace

void QtDialogs::programMessage(const QString& text)
{
    showBox(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::errorBox(const QString& text)
{
    showBox(QMessageBox::Critical, QString::fromUtf8(applicationTitle), text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::notice(const QString& text)
{
    showBox(QMessageBox::NoIcon, QString::fromUtf8(applicationTitle), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::confirm(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), question,
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::runModal(QDialog& dialog)
{
    dialog.exec();
}

QString errorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}
