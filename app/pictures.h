#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The pictures of the windows, drawn as SVG and carried as Qt resources.
namespace pictures {

inline const QString applicationIcon = QStringLiteral(":/icons/veltor-update.svg");
inline const QString reset = QStringLiteral(":/pictures/reset.svg");
inline const QString connect = QStringLiteral(":/pictures/connect.svg");
inline const QString program = QStringLiteral(":/pictures/program.svg");
inline const QString leave = QStringLiteral(":/pictures/leave.svg");
inline const QString instrument = QStringLiteral(":/pictures/instrument.svg");

// Rendered at the given size (in device-independent pixels).
QPixmap render(const QString& resource, QSize size);
QIcon icon(const QString& resource, QSize size);
// The application icon in the sizes a desktop asks for.
QIcon applicationIconSet();

} // namespace pictures
