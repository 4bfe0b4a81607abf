#include "app/placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centerOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

namespace {

class CentringOnceFramed final : public QObject {
public:
    explicit CentringOnceFramed(QWidget& watched) : QObject(&watched), window(watched)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool placed = event->type() == QEvent::Move || event->type() == QEvent::Resize;
        if (watched == &window && placed && window.frameGeometry() != window.geometry()) {
            window.removeEventFilter(this);
            centerOnScreen(window);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& window;
};

} // namespace

void centreOnceFramed(QWidget& window)
{
    new CentringOnceFramed(window);
}
