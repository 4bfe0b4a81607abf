#include "desktop/shell_open.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

// "https://...", "mailto:...": a scheme of two letters or more (one letter
// would be a drive).
bool isAddress(const QString& target)
{
    return QUrl(target, QUrl::StrictMode).scheme().size() > 1;
}

int openWithDesktop(const QUrl& url)
{
    return QDesktopServices::openUrl(url) ? shellOpened : shellNoAssociation;
}

} // namespace

int shellOpen(QWidget*, const QString& target)
{
    if (isAddress(target))
        return openWithDesktop(QUrl(target));
    const QFileInfo file(target);
    if (!file.exists())
        return shellFileNotFound;
    return openWithDesktop(QUrl::fromLocalFile(file.absoluteFilePath()));
}
