#include "app/pictures.h"

#include <QGuiApplication>

namespace pictures {

// Without Qt's SVG module the build renders each drawing to a large PNG of the
// same name; it is scaled down here, stretched to the size like a drawing.
QPixmap render(const QString& resource, QSize size)
{
    QString rendered = resource;
    if (rendered.endsWith(QStringLiteral(".svg")))
        rendered.replace(rendered.size() - 3, 3, QStringLiteral("png"));
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap = QPixmap(rendered).scaled(size * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace pictures
