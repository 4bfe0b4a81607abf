#include "app/pictures.h"

namespace pictures {

QIcon icon(const QString& resource, QSize size)
{
    return QIcon(render(resource, size));
}

QIcon applicationIconSet()
{
    QIcon set;
    // The sizes title and task bars use are carried as pictures; the rest are rendered.
    for (int side : {16, 32, 48})
        set.addFile(QStringLiteral(":/icons/veltor-update-%1.png").arg(side), QSize(side, side));
    for (int side : {24, 64, 128, 256})
        set.addPixmap(render(applicationIcon, QSize(side, side)));
    return set;
}

} // namespace pictures
