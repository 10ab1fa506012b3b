#include "frontend/qt/QtFonts.h"

#include <QFont>
#include <QStringList>

void QtFonts::installFontSubstitutes()
{
    // The designed face is a Windows font; these are the closest Japanese
    // proportional Gothic faces on other systems.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAPゴシック"),
                                QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic")});
}
