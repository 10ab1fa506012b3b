// The tray icon's tooltip field: what is shown of it, and how it is filled.
#include "app/TrayTip.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

namespace {
std::u16string repeat(const std::u16string &s, int n)
{
    return repeated(s, n);
}
const char16_t Nul = u'\0';
} // namespace

TEST(trayTooltip, ShowsTheTextBeforeTheFirstNul)
{
    struct Case {
        std::u16string szTip;
        std::u16string shown;
    } cases[] = {
        {u"0312345678"s + Nul + repeat(u" "s, 53), u"0312345678"s},
        {u"非通知"s + Nul, u"非通知"s},
        {u"準備中"s, u"準備中"s},
        {Nul + u"0312345678"s, std::u16string()},
        {u"0312"s + Nul + u"5678"s + Nul, u"0312"s},
        {std::u16string(), std::u16string()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(trayTooltip(c.szTip), c.shown) << utf8(c.szTip);
}

TEST(trayTooltip, CutsAtSixtyFourBytesOfCp932WithoutSplittingACharacter)
{
    const std::u16string a63 = repeat(u"a"s, 63);
    const std::u16string a62 = repeat(u"a"s, 62);
    struct Case {
        const char *what;
        std::u16string text;
        std::u16string shown;
    } cases[] = {
        {"64 single bytes fit", repeat(u"1"s, 64), repeat(u"1"s, 64)},
        {"the 65th byte goes", repeat(u"1"s, 65), repeat(u"1"s, 64)},
        {"double-byte character on bytes 63 and 64", a62 + u"非"s + u"x"s, a62 + u"非"s},
        {"double-byte character on bytes 64 and 65", a63 + u"非"s, a63},
        {"32 full-width characters are 64 bytes", repeat(u"非"s, 33), repeat(u"非"s, 32)},
        {"half-width katakana are one byte each", repeat(u"ｷ"s, 70), repeat(u"ｷ"s, 64)},
        {"odd start moves the cut", u"ｷ"s + repeat(u"非"s, 32), u"ｷ"s + repeat(u"非"s, 31)},
        {"the NUL comes before the limit", a62 + Nul + repeat(u"非"s, 10), a62},
    };
    for (const Case &c : cases)
        EXPECT_EQ(trayTooltip(c.text), c.shown) << c.what;
}

TEST(trayTooltip, ShowsWhatCp932CannotHoldAsAQuestionMark)
{
    // U+1F4DE, a telephone receiver, has no CP932 code.
    EXPECT_EQ(trayTooltip(u"\U0001F4DE0312"s + Nul), u"?0312"s);
}

TEST(makeSzTip, TextNulAndBlanksToSixtyFourCharacters)
{
    struct Case {
        std::u16string text;
        std::u16string field;
    } cases[] = {
        {u"準備中"s, u"準備中"s + Nul + repeat(u" "s, 60)},
        {std::u16string(), Nul + repeat(u" "s, 63)},
        {repeat(u"9"s, 63), repeat(u"9"s, 63) + Nul},
        {repeat(u"9"s, 64), repeat(u"9"s, 64)},
        {repeat(u"非"s, 70), repeat(u"非"s, 64)},
    };
    for (const Case &c : cases) {
        const std::u16string field = makeSzTip(c.text);
        EXPECT_EQ(field, c.field) << utf8(c.text);
        EXPECT_EQ(field.size(), 64);
    }
    EXPECT_EQ(trayTooltip(makeSzTip(u"非通知"s)), u"非通知"s);
}
