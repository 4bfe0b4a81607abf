#include "app/focus_frame.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPen>
#include <QProxyStyle>
#include <QStyleOption>
#include <QWidget>

namespace {

class FocusFrameStyle final : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (!(option->state & State_HasFocus))
            return;
        if (element == CE_PushButton)
            drawFrame(subElementRect(SE_PushButtonFocusRect, option, widget), option, painter);
        else if (element == CE_RadioButton)
            drawFrame(subElementRect(SE_RadioButtonFocusRect, option, widget), option, painter);
    }

private:
    static void drawFrame(const QRect& area, const QStyleOption* option, QPainter* painter)
    {
        painter->save();
        painter->setPen(QPen(option->palette.color(QPalette::WindowText), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(area.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

} // namespace

void showFocusOnEveryButton(QWidget& window)
{
    auto* style = new FocusFrameStyle;
    style->setParent(&window);
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        button->setStyle(style);
}
