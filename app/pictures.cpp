#include "app/pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace pictures {

QPixmap render(const QString& resource, QSize size)
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

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
