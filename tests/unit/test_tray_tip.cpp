// The tray icon's tooltip field: what is shown of it, and how it is filled.
#include "app/TrayTip.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
QString repeat(const QString &s, int n)
{
    return s.repeated(n);
}
const QChar Nul(u'\0');
} // namespace

TEST(trayTooltip, ShowsTheTextBeforeTheFirstNul)
{
    struct Case {
        QString szTip;
        QString shown;
    } cases[] = {
        {u"0312345678"_s + Nul + repeat(u" "_s, 53), u"0312345678"_s},
        {u"非通知"_s + Nul, u"非通知"_s},
        {u"準備中"_s, u"準備中"_s},
        {Nul + u"0312345678"_s, QString()},
        {u"0312"_s + Nul + u"5678"_s + Nul, u"0312"_s},
        {QString(), QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(trayTooltip(c.szTip), c.shown) << qPrintable(c.szTip);
}

TEST(trayTooltip, CutsAtSixtyFourBytesOfCp932WithoutSplittingACharacter)
{
    const QString a63 = repeat(u"a"_s, 63);
    const QString a62 = repeat(u"a"_s, 62);
    struct Case {
        const char *what;
        QString text;
        QString shown;
    } cases[] = {
        {"64 single bytes fit", repeat(u"1"_s, 64), repeat(u"1"_s, 64)},
        {"the 65th byte goes", repeat(u"1"_s, 65), repeat(u"1"_s, 64)},
        {"double-byte character on bytes 63 and 64", a62 + u"非"_s + u"x"_s, a62 + u"非"_s},
        {"double-byte character on bytes 64 and 65", a63 + u"非"_s, a63},
        {"32 full-width characters are 64 bytes", repeat(u"非"_s, 33), repeat(u"非"_s, 32)},
        {"half-width katakana are one byte each", repeat(u"ｷ"_s, 70), repeat(u"ｷ"_s, 64)},
        {"odd start moves the cut", u"ｷ"_s + repeat(u"非"_s, 32), u"ｷ"_s + repeat(u"非"_s, 31)},
        {"the NUL comes before the limit", a62 + Nul + repeat(u"非"_s, 10), a62},
    };
    for (const Case &c : cases)
        EXPECT_EQ(trayTooltip(c.text), c.shown) << c.what;
}

TEST(trayTooltip, ShowsWhatCp932CannotHoldAsAQuestionMark)
{
    // U+1F4DE, a telephone receiver, has no CP932 code.
    EXPECT_EQ(trayTooltip(QString::fromUcs4(U"\U0001F4DE0312") + Nul), u"?0312"_s);
}

TEST(makeSzTip, TextNulAndBlanksToSixtyFourCharacters)
{
    struct Case {
        QString text;
        QString field;
    } cases[] = {
        {u"準備中"_s, u"準備中"_s + Nul + repeat(u" "_s, 60)},
        {QString(), Nul + repeat(u" "_s, 63)},
        {repeat(u"9"_s, 63), repeat(u"9"_s, 63) + Nul},
        {repeat(u"9"_s, 64), repeat(u"9"_s, 64)},
        {repeat(u"非"_s, 70), repeat(u"非"_s, 64)},
    };
    for (const Case &c : cases) {
        const QString field = makeSzTip(c.text);
        EXPECT_EQ(field, c.field) << qPrintable(c.text);
        EXPECT_EQ(field.size(), 64);
    }
    EXPECT_EQ(trayTooltip(makeSzTip(u"非通知"_s)), u"非通知"_s);
}
