#include "app/about.h"

#include "app/maker_details.h"
#include "app/pictures.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

#include <cmath>
#include <utility>

TForm2* Form2 = nullptr;

const QString TForm2::webAddress = QString::fromUtf8(makerDetails::webAddress);
const QString TForm2::mailAddress = QString::fromUtf8(makerDetails::mailAddress);

namespace {

constexpr double designDotsPerInch = 120.0;
const QColor blue(0, 0, 255);

QFont timesFont(int pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixelSize);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

} // namespace

TForm2::TForm2(QWidget* owner, ShellOpener opener)
    : QDialog(owner), shellOpener(std::move(opener)), scale(logicalDpiY() / designDotsPerInch)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Інформація про програму"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(scaled(351), scaled(270));

    QFont dialogFont = font();
    dialogFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                            QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    dialogFont.setPixelSize(scaled(13));
    setFont(dialogFont);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(scaled(QRect(0, 8, 139, 188)));
    Image1->setPixmap(pictures::render(pictures::instrument, QSize(135, 207)));
    Image1->setScaledContents(true);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(scaled(QRect(15, 222, 110, 36)));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    buildPanel();
}

void TForm2::buildPanel()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(scaled(QRect(144, 6, 201, 257)));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    Label11 = placeLabel("Label11", QRect(29, 9, 154, 23), QStringLiteral("Оновлення версій"), 20, Bold | Italic);
    Label20 = placeLabel("Label20", QRect(67, 33, 69, 23), QStringLiteral("VELTOR"), 20, Bold | Italic);
    Label12 = placeLabel("Label12", QRect(58, 56, 53, 20), QStringLiteral("Версія:"), 18, Regular);
    Label13 = placeLabel("Label13", QRect(122, 56, 32, 20), QStringLiteral("1.03"), 18, Bold);
    const auto text = [](const char* utf8) { return QString::fromUtf8(utf8); };
    Label14 = placeLabel("Label14", QRect(36, 90, 134, 20), text(makerDetails::name), 18, Italic);
    Label18 = placeLabel("Label18", QRect(22, 110, 160, 20), text(makerDetails::townAndYears), 18, Italic);
    Label15 = placeLabel("Label15", QRect(24, 145, 153, 20), text("тел. ") + text(makerDetails::telephone), 18, Italic);
    Label19 = placeLabel("Label19", QRect(113, 164, 66, 20), text(makerDetails::secondTelephone), 18, Italic);
    Label17 = placeLabel("Label17", QRect(20, 196, 156, 20), webAddress, 18, Underlined);
    Label16 = placeLabel("Label16", QRect(9, 226, 184, 20), mailAddress, 18, Underlined);

    for (QLabel* blueText : {Label11, Label20, Label17, Label16})
        setTextColour(blueText, blue);
    for (QLabel* link : {Label17, Label16}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
}

QLabel* TForm2::placeLabel(const char* name, QRect geometry, const QString& text, int pixelSize, int style)
{
    auto* label = new QLabel(text, Panel1);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(scaled(geometry));
    QFont font = timesFont(scaled(pixelSize));
    font.setBold(style & Bold);
    font.setItalic(style & Italic);
    font.setUnderline(style & Underlined);
    label->setFont(font);
    // Labels take the size of their text where the font differs from the
    // one the layout was drawn with.
    label->adjustSize();
    return label;
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label17) {
            Label7Click();
            return true;
        }
        if (watched == Label16) {
            Label6Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm2::Label7Click()
{
    shellOpener(this, Label17->text());
}

void TForm2::Label6Click()
{
    // The desktop starts a mail program for a mailto: address only.
    shellOpener(this, QStringLiteral("mailto:") + Label16->text());
}

int TForm2::scaled(int pixels) const
{
    return static_cast<int>(std::lround(pixels * scale));
}

QRect TForm2::scaled(QRect geometry) const
{
    return QRect(scaled(geometry.x()), scaled(geometry.y()), scaled(geometry.width()), scaled(geometry.height()));
}
