#include "app/TrayTip.h"

#include "platform/Cp932.h"

QString trayTooltip(const QString &szTip)
{
    const qsizetype nul = szTip.indexOf(QChar(u'\0'));
    const QString text = nul < 0 ? szTip : szTip.left(nul);
    return Cp932::decode(Cp932::cutAt(Cp932::encode(text), TrayTipLength));
}

QString makeSzTip(const QString &text)
{
    QString field = text + QChar(u'\0');
    if (field.size() < TrayTipLength)
        field += QString(TrayTipLength - field.size(), u' ');
    return field.left(TrayTipLength);
}
