#include "app/pictures.h"

namespace pictures {

QIcon icon(const QString& resource, QSize size)
{
    return QIcon(render(resource, size));
}

QIcon applicationIconSet()
{
    QIcon set;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        set.addPixmap(render(applicationIcon, QSize(side, side)));
    return set;
}

} // namespace pictures
