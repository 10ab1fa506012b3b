// The text helpers every folder of the logic shares: each keeps the rule the
// program's texts and files have always been read by.
#include "text/DateText.h"
#include "text/Text.h"
#include "text/Utf.h"

#include "TestText.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(Text, TrimsUnicodeWhitespaceTextsAndAsciiWhitespaceBytes)
{
    const struct {
        std::u16string text;
        std::u16string trimmed;
    } cases[] = {
        {u"", u""},
        {u" \t\n\v\f\r", u""},
        {u"  a b  ", u"a b"},
        {u"\u3000番号\u3000", u"番号"}, // the ideographic blank
        {u"\u00A0x\u0085\u2028\u2029\u202F\u205F\u1680\u2000\u200A", u"x"},
        // Not whitespace: the byte-order mark, U+180E, U+200B.
        {u"\uFEFFx\u180E\u200B", u"\uFEFFx\u180E\u200B"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Text::trimmed(c.text), c.trimmed);

    EXPECT_EQ(Text::trimmedBytes(" \t\r\n\v\fab c\r\n"), "ab c");
    // Bytes above ASCII are never blanks: a CP932 or UTF-8 byte stays.
    EXPECT_EQ(Text::trimmedBytes("\xA0x\x85"), "\xA0x\x85");
}

TEST(Text, IgnoresCaseByUnicodeFoldingUnitByUnit)
{
    const struct {
        std::u16string a;
        std::u16string b;
        bool equal;
    } cases[] = {
        {u"Nubrel", u"NUBREL", true},
        {u"ＥＮＶ", u"ｅｎｖ", true},         // full-width letters fold too
        {u"\u212A", u"k", true},              // KELVIN SIGN
        {u"Falſe", u"FALSE", true},           // LONG S
        {u"ΣΑΣ", u"σας", true},               // final sigma
        {u"straße", u"STRASSE", false},       // simple folding only: one unit each
        {u"\U00010400", u"\U00010428", true}, // a pair folds as one character
        {u"ENV", u"ENV ", false},
        {u"", u"", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Text::equalsIgnoringCase(c.a, c.b), c.equal);

    // Order by the folded characters, a shorter text before one it begins.
    EXPECT_LT(Text::compareIgnoringCase(u"apple", u"Banana"), 0);
    EXPECT_GT(Text::compareIgnoringCase(u"b", u"A"), 0);
    EXPECT_LT(Text::compareIgnoringCase(u"ab", u"ABC"), 0);
    // A low surrogate after its high one counts as the whole character.
    EXPECT_GT(Text::compareIgnoringCase(u"\U00010428", u"\xD801\xD801"), 0);

    EXPECT_TRUE(Text::startsWithIgnoringCase(u"TEL:+81", u"tel:"));
    EXPECT_FALSE(Text::startsWithIgnoringCase(u"te", u"tel:"));
    EXPECT_EQ(Text::foldCase(U'Ａ'), U'ａ');
    EXPECT_EQ(Text::foldCase(U'番'), U'番');
}

TEST(Text, ReadsWholeDecimalNumbersWithin32Bits)
{
    const struct {
        std::u16string text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {u"12", 12},
        {u" \t12\n", 12},
        {u"+12", 12},
        {u"-12", -12},
        {u"00012", 12},
        {u"-0", 0},
        {u"2147483647", 2147483647},
        {u"-2147483648", INT32_MIN},
        {u"2147483648", std::nullopt},
        {u"-2147483649", std::nullopt},
        {u"99999999999999999999", std::nullopt},
        {u"", std::nullopt},
        {u" ", std::nullopt},
        {u"+", std::nullopt},
        {u"+-1", std::nullopt},
        {u"- 1", std::nullopt},
        {u"1 2", std::nullopt},
        {u"12a", std::nullopt},
        {u"0x10", std::nullopt},
        {u"1,000", std::nullopt},
        {u"1e3", std::nullopt},
        {u"１２", std::nullopt},      // full-width digits are no digits here
        {u"\u3000 12", std::nullopt}, // nor is the ideographic blank a blank
        {u"\u00A012", std::nullopt},
        {u"12\u0085", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Text::toInt(c.text), c.value) << testing::PrintToString(c.text);
}

TEST(Text, WritesNumbersAndReplacesText)
{
    EXPECT_EQ(Text::number(0), u"0");
    EXPECT_EQ(Text::number(-45), u"-45");
    EXPECT_EQ(Text::number(INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(Text::hexNumber(0xFF00), u"ff00");
    EXPECT_EQ(Text::fromLatin1("a\xE9"), u"aé");

    std::u16string text = u"\"\"a\"\"\"";
    Text::replaceAll(text, u"\"\"", u"\"");
    EXPECT_EQ(text, u"\"a\"\"");
    Text::removeAll(text, u'"');
    EXPECT_EQ(text, u"a");
}

TEST(Text, WritesDatesAndTimesWithZerosAsTheFilesDo)
{
    EXPECT_EQ(DateText::date(2026, 12, 7), u"2026/12/07");
    EXPECT_EQ(DateText::date(987, 1, 31), u"0987/01/31");
    EXPECT_EQ(DateText::time(9, 5, 3), u"09:05:03");
    EXPECT_EQ(DateText::time(23, 59, 59), u"23:59:59");
}

TEST(Utf, DecodesUtf8WithOneReplacementPerByteThatStartsNoCharacter)
{
    const struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"", u""},
        {"a\xE7\x95\xAA", u"a番"},
        {"\xF0\x9F\x98\x80", u"😀"},
        {"\xEF\xBB\xBFx", u"x"},         // the mark at the start goes
        {"x\xEF\xBB\xBFx", u"x\uFEFFx"}, // elsewhere it is a character
        {"\x80\xBF", u"\uFFFD\uFFFD"},   // stray continuation bytes
        {"\xC0\xAF", u"\uFFFD\uFFFD"},   // an overlong form
        {"\xE3\x81", u"\uFFFD\uFFFD"},   // cut short at the end
        {"\xE3\x81x", u"\uFFFD\uFFFDx"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xF5\xFF", u"\uFFFD\uFFFD"},
        {"\xEF\xBF\xBF", u"\uFFFF"}, // a noncharacter is a character
    };
    for (const auto &c : cases)
        EXPECT_EQ(Utf::fromUtf8(c.bytes), c.text) << testing::PrintToString(c.bytes);

    EXPECT_EQ(Utf::fromUtf8KeepingMark("\xEF\xBB\xBFx"), u"\uFEFFx");
    EXPECT_EQ(Utf::fromUtf8KeepingMark("\xE3\x81"), u"\uFFFD\uFFFD");
}

TEST(Utf, EncodesUtf8AndUtf16WithLoneSurrogatesAsTheyWere)
{
    EXPECT_EQ(Utf::toUtf8(u"a番😀"), "a\xE7\x95\xAA\xF0\x9F\x98\x80");
    const std::u16string lone = u"\xD800"s + u"a" + u"\xDC00";
    EXPECT_EQ(Utf::toUtf8(lone), "?a?");

    using Utf::ByteOrder;
    EXPECT_EQ(Utf::toUtf16(u"a番", ByteOrder::LittleEndian), "a\0\x6A\x75"s);
    EXPECT_EQ(Utf::toUtf16(u"a番", ByteOrder::BigEndian), "\0a\x75\x6A"s);
    EXPECT_EQ(Utf::toUtf16(lone, ByteOrder::LittleEndian), "\0\xD8"
                                                           "a\0\0\xDC"s);

    const struct {
        std::string bytes;
        ByteOrder order;
        std::u16string text;
    } cases[] = {
        {"a\0b\0"s, ByteOrder::LittleEndian, u"ab"},
        {"\0a\0b"s, ByteOrder::BigEndian, u"ab"},
        {"\xFF\xFE"
         "a\0"s,
         ByteOrder::LittleEndian, u"a"},                            // a mark at the start goes
        {"\xFE\xFF\0a"s, ByteOrder::LittleEndian, u"\uFFFE\u6100"}, // one of the other order stays
        {"a\0\xFF\xFE"s, ByteOrder::LittleEndian, u"a\uFEFF"},
        {"a\0b"s, ByteOrder::LittleEndian, u"a"}, // an odd byte is not read
        {"\0\xD8"s, ByteOrder::LittleEndian, u"\xD800"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Utf::fromUtf16(c.bytes, c.order), c.text) << testing::PrintToString(c.bytes);
}
