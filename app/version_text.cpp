#include "app/version_text.h"

#include <QLocale>

QString versionText(double version)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(version, 'g', 15);
}

QString captionVersionText(double version)
{
    QString text = versionText(version);
    if (text.size() == 3)
        text += u'0';
    return text;
}
