#include "app/progress_style.h"

#include <QProgressBar>
#include <QProxyStyle>
#include <QStyleOption>

namespace {

class StillProgressStyle final : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option)) {
            // A style animates only what it can tell apart by its style object.
            QStyleOptionProgressBar still(*bar);
            still.styleObject = nullptr;
            QProxyStyle::drawControl(element, &still, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

void drawWithoutAnimation(QProgressBar& bar)
{
    auto* style = new StillProgressStyle;
    style->setParent(&bar);
    bar.setStyle(style);
}
