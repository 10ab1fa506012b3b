// The settings document on its own bytes: what counts as a section and a key,
// and that a write changes only what it must.
#include "config/IniFile.h"
#include "platform/Cp932.h"

#include "TestText.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

namespace {
std::string cp932(const std::u16string &text)
{
    return Cp932::encode(text);
}

const std::string Bom("\xEF\xBB\xBF");

std::optional<std::u16string> read(const IniFile &file, const char *section, const char *key)
{
    const auto value = file.value(Utf::fromUtf8(section), Utf::fromUtf8(key));
    if (!value)
        return std::nullopt;
    return file.decode(*value);
}

// Comments, mixed-case names, unknown keys, blank lines and two sections that
// a write must keep exactly as they are.
const std::u16string Sample = u"; 設定ファイル（手で編集）\r\n"
                              "KEY=before any section\r\n"
                              "[Env]\r\n"
                              "TimeR = 5 \r\n"
                              "# COMPORT=1\r\n"
                              "  ComPort=3\r\n"
                              "Unknown=keep me\r\n"
                              "not a key line\r\n"
                              "\r\n"
                              "; 次の節\r\n"
                              "[ NUBREL ] ; 窓\r\n"
                              "Font=ＭＳ Ｐゴシック\r\n"
                              "font=second\r\n"
                              "\r\n"
                              "[ENV]\r\n"
                              "HISTTXT=1\r\n"s;
} // namespace

TEST(IniFileRead, FindsTheFirstSectionAndKeyWithoutRegardToCase)
{
    const IniFile file(cp932(Sample));
    const struct {
        const char *section;
        const char *key;
        std::optional<std::u16string> value;
    } cases[] = {
        {"ENV", "TIMER", u"5"s}, // blanks around key and value
        {"env", "comport", u"3"s},
        {"Env", "UNKNOWN", u"keep me"s},
        {"nubrel", "FONT", u"ＭＳ Ｐゴシック"s}, // the first of two
        {"ENV", "HISTTXT", std::nullopt},        // only in the second [ENV]
        {"ENV", "KEY", std::nullopt},            // before any section
        {"ENV", "not a key line", std::nullopt},
        {"ENV", "# COMPORT", std::nullopt}, // a comment
        {"NUBREL", "TIMER", std::nullopt},  // another section's key
        {"PORTS", "COM2", std::nullopt},
        {"ENV", "", std::nullopt},
        {"", "KEY", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read(file, c.section, c.key), c.value) << c.section << "/" << c.key;
}

TEST(IniFileRead, NamesAreComparedAsTextNotAsBytes)
{
    // ア is 83 41: folding its second byte as if it were 'A' would find ヂ (83 61).
    const IniFile file(cp932(u"[ア]\r\nア=1\r\n[ｅｎｖ]\r\nｔｉｍｅｒ=2\r\n"s));
    EXPECT_EQ(read(file, "ア", "ア"), u"1"s);
    EXPECT_EQ(read(file, "ヂ", "ア"), std::nullopt);
    EXPECT_EQ(read(file, "ア", "ヂ"), std::nullopt);
    EXPECT_EQ(read(file, "ＥＮＶ", "ＴＩＭＥＲ"), u"2"s) << "full-width letters fold";

    // ゾ is 83 5D: its second byte is ']' and must not end the section name.
    const IniFile dbcs(cp932(u"[ゾ]\r\nK=v\r\n"s));
    EXPECT_EQ(read(dbcs, "ゾ", "K"), u"v"s);
}

TEST(IniFileRead, HandEditedFormsReadLikeTheShippedOne)
{
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"CR LF", "[A]\r\nK=v\r\n[B]\r\nK=w\r\n"},
        {"LF only", "[A]\nK=v\n[B]\nK=w\n"},
        {"no final line end", "[A]\r\nK=v\r\n[B]\r\nK=w"},
        {"mixed line ends", "[A]\nK=v\r\n[B]\r\nK=w\n"},
        {"UTF-8 mark", Bom + "[A]\r\nK=v\r\n[B]\r\nK=w\r\n"},
        {"tabs", "\t[A]\t\r\n\tK\t=\tv\t\r\n[B]\r\nK=w"},
    };
    for (const auto &c : cases) {
        const IniFile file(c.bytes);
        EXPECT_EQ(read(file, "A", "K"), u"v"s) << c.what;
        EXPECT_EQ(read(file, "B", "K"), u"w"s) << c.what;
    }

    // A '[' line without its ']' opens no section: its keys stay where they were.
    const IniFile open("[A]\nK=v\n[B\nL=w\n");
    EXPECT_EQ(read(open, "A", "L"), u"w"s);
    EXPECT_FALSE(IniFile("[B\nL=w\n").value(u"B"s, u"L"s));

    const IniFile utf8(Bom + Utf::toUtf8(u"[NUBREL]\nFONT=ＭＳ Ｐゴシック\n"s));
    EXPECT_TRUE(utf8.isUtf8());
    EXPECT_EQ(read(utf8, "NUBREL", "FONT"), u"ＭＳ Ｐゴシック"s);
    EXPECT_FALSE(IniFile(cp932(Sample)).isUtf8());
}

TEST(IniFileWrite, ChangesOnlyItsLineAndLeavesEveryOtherByte)
{
    const struct {
        const char *what;
        const char *section;
        const char *key;
        std::u16string value;
        std::u16string before;
        std::u16string after;
    } cases[] = {
        {"an existing key keeps its spelling and line end, loses its blanks", "env", "TIMER", u"3"s,
         u"[Env]\r\n  TimeR = 5 ; x\r\nB=1\n"s, u"[Env]\r\nTimeR=3\r\nB=1\n"s},
        {"a missing key goes after the section's last key", "ENV", "HISTTXT", u"1"s,
         u"[ENV]\r\nA=1\r\n; note\r\n\r\n[NUBREL]\r\nA=2\r\n"s,
         u"[ENV]\r\nA=1\r\nHISTTXT=1\r\n; note\r\n\r\n[NUBREL]\r\nA=2\r\n"s},
        {"a section with no keys gets it after its header", "NUBREL", "STATE", u"0"s,
         u"[NUBREL]\r\n\r\n[ENV]\r\n"s, u"[NUBREL]\r\nSTATE=0\r\n\r\n[ENV]\r\n"s},
        {"the first of two sections", "ENV", "K", u"v"s, u"[ENV]\r\nA=1\r\n[ENV]\r\nK=old\r\n"s,
         u"[ENV]\r\nA=1\r\nK=v\r\n[ENV]\r\nK=old\r\n"s},
        {"the first of two keys", "ENV", "K", u"v"s, u"[ENV]\r\nk=1\r\nK=2\r\n"s,
         u"[ENV]\r\nk=v\r\nK=2\r\n"s},
        {"a missing section goes at the end", "PORTS", "COM2", u"/dev/ttyUSB0"s,
         u"[ENV]\r\nA=1\r\n\r\n"s, u"[ENV]\r\nA=1\r\n\r\n[PORTS]\r\nCOM2=/dev/ttyUSB0\r\n"s},
        {"a key before any section is not the section's", "ENV", "K", u"v"s, u"K=1\r\n"s,
         u"K=1\r\n[ENV]\r\nK=v\r\n"s},
        {"an empty file", "NUBREL", "FONT", u"ＭＳ Ｐゴシック"s, std::u16string(),
         u"[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\n"s},
        {"LF lines get LF lines", "A", "N", u"2"s, u"[A]\nK=1\n[B]\nK=1\r\n"s,
         u"[A]\nK=1\nN=2\n[B]\nK=1\r\n"s},
        {"LF file, new section", "C", "N", u"2"s, u"[A]\nK=1\n"s, u"[A]\nK=1\n[C]\nN=2\n"s},
        {"no final line end, new key", "A", "N", u"2"s, u"[A]\r\nK=1"s, u"[A]\r\nK=1\r\nN=2\r\n"s},
        {"no final line end, new section", "B", "N", u"2"s, u"[A]\r\nK=1"s,
         u"[A]\r\nK=1\r\n[B]\r\nN=2\r\n"s},
        {"no final line end, existing key", "A", "K", u"2"s, u"[A]\r\nK=1"s, u"[A]\r\nK=2"s},
        {"header without a line end", "A", "N", u"2"s, u"[A]"s, u"[A]\r\nN=2\r\n"s},
        {"a CR at the end gets only its LF", "A", "N", u"2"s, u"[A]\r\nK=1\r"s,
         u"[A]\r\nK=1\r\nN=2\r\n"s},
        {"values keep double-byte text", "A", "K", u"ソ]ゾ=表"s, u"[A]\r\nK=\r\n"s,
         u"[A]\r\nK=ソ]ゾ=表\r\n"s},
    };
    for (const auto &c : cases) {
        IniFile file(cp932(c.before));
        EXPECT_TRUE(file.setValue(Utf::fromUtf8(c.section), Utf::fromUtf8(c.key), c.value))
            << c.what;
        EXPECT_EQ(file.bytes(), cp932(c.after)) << c.what;
        EXPECT_EQ(read(file, c.section, c.key), c.value) << c.what;
    }
}

TEST(IniFileWrite, AWholeSampleKeepsEverythingButTheWrittenLines)
{
    IniFile file(cp932(Sample));
    EXPECT_TRUE(file.setValue(u"ENV"s, u"COMPORT"s, u"1"s));
    EXPECT_TRUE(file.setValue(u"NUBREL"s, u"STATE"s, u"3"s));
    EXPECT_TRUE(file.setValue(u"ENV"s, u"HISTTXT"s, u"0"s));
    std::u16string expected = Sample;
    Text::replaceAll(expected, u"  ComPort=3\r\n"s, u"ComPort=1\r\n"s);
    Text::replaceAll(expected, u"font=second\r\n"s, u"font=second\r\nSTATE=3\r\n"s);
    Text::replaceAll(expected, u"not a key line\r\n"s, u"HISTTXT=0\r\n"s + u"not a key line\r\n"s);
    EXPECT_EQ(file.bytes(), cp932(expected));
}

TEST(IniFileWrite, AUtf16FileIsReadAndWrittenAsUtf16)
{
    // What Notepad saves as "Unicode", and as "Unicode big endian".
    const std::u16string text = u"; 設定\r\n[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2\r\n"s;
    for (const bool little : {true, false}) {
        const auto order = little ? Utf::ByteOrder::LittleEndian : Utf::ByteOrder::BigEndian;
        const std::string mark = little ? std::string("\xFF\xFE") : std::string("\xFE\xFF");
        const std::string bytes = mark + Utf::toUtf16(text, order);
        IniFile file(bytes);
        EXPECT_TRUE(file.isUtf16());
        EXPECT_FALSE(file.isUtf8());
        EXPECT_EQ(read(file, "NUBREL", "FONT"), u"ＭＳ Ｐゴシック"s) << little;
        EXPECT_EQ(file.bytes(), bytes) << "read only, the bytes stay";

        ASSERT_TRUE(file.setValue(u"NUBREL"s, u"STATE"s, u"3"s));
        ASSERT_TRUE(file.setValue(u"PORTS"s, u"COM2"s, u"/dev/ttyUSB0"s));
        std::u16string expected = text;
        Text::replaceAll(expected, u"STATE=2"s, u"STATE=3"s);
        expected += u"[PORTS]\r\nCOM2=/dev/ttyUSB0\r\n"s;
        EXPECT_EQ(file.bytes(), mark + Utf::toUtf16(expected, order)) << little;
        EXPECT_EQ(read(IniFile(file.bytes()), "PORTS", "COM2"), u"/dev/ttyUSB0"s);
    }
}

TEST(IniFileWrite, AUtf8FileStaysUtf8AndKeepsItsMark)
{
    IniFile file(Bom + Utf::toUtf8(u"[NUBREL]\r\nFONT=x\r\n"s));
    file.setValue(u"NUBREL"s, u"FONT"s, u"ＭＳ Ｐゴシック"s);
    file.setValue(u"PORTS"s, u"COM1"s, u"/dev/ttyS0"s);
    EXPECT_EQ(
        file.bytes(),
        Bom + Utf::toUtf8(u"[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\n[PORTS]\r\nCOM1=/dev/ttyS0\r\n"s));

    IniFile markOnly(Bom);
    markOnly.setValue(u"A"s, u"K"s, u"番"s);
    EXPECT_EQ(markOnly.bytes(), Bom + Utf::toUtf8(u"[A]\r\nK=番\r\n"s))
        << "no blank line after the mark";
}

TEST(IniFileWrite, RefusesNamesAndValuesThatWouldNotReadBack)
{
    const struct {
        std::u16string section;
        std::u16string key;
        std::u16string value;
    } cases[] = {
        {std::u16string(), u"K"s, u"v"s}, {u"A"s, std::u16string(), u"v"s},
        {u"A]B"s, u"K"s, u"v"s},          {u"A\nB"s, u"K"s, u"v"s},
        {u" A"s, u"K"s, u"v"s},           {u"A"s, u"K=L"s, u"v"s},
        {u"A"s, u"K\t"s, u"v"s},          {u"A"s, u";K"s, u"v"s},
        {u"A"s, u"#K"s, u"v"s},           {u"A"s, u"[K"s, u"v"s},
        {u"A"s, u"K"s, u"v\r\n[B]"s},     {u"A"s, u"K"s, u"v\rw"s},
    };
    const std::string before = cp932(u"[A]\r\nK=1\r\n"s);
    for (const auto &c : cases) {
        IniFile file(before);
        EXPECT_FALSE(file.setValue(c.section, c.key, c.value))
            << utf8(c.section + u'/' + c.key + u'/' + c.value);
        EXPECT_EQ(file.bytes(), before);
    }

    // Names CP932 cannot hold would be written as other names ("¬" comes back
    // as "￢", "€" as "?"): never found again, one more line at every write.
    for (const std::u16string &key : {u"K¬"s, u"K€"s}) {
        IniFile file(before);
        EXPECT_FALSE(file.setValue(u"A"s, key, u"v"s)) << utf8(key);
        EXPECT_FALSE(file.setValue(key, u"K"s, u"v"s)) << utf8(key);
        EXPECT_EQ(file.bytes(), before);
    }
    // The same names are fine in a UTF-8 file.
    IniFile utf8(Bom + std::string("[A]\r\n"));
    EXPECT_TRUE(utf8.setValue(u"A"s, u"K¬"s, u"v"s));
    EXPECT_EQ(read(utf8, "A", "K¬"), u"v"s);
}

TEST(IniFileRead, AByteOrderMarkInsideAUtf8FileIsPartOfTheName)
{
    // A file pasted into another keeps its mark at the start of a line.
    const IniFile file(Bom + std::string("[A]\n") + Bom + "K=1\n" + Bom + " L=2\n");
    EXPECT_FALSE(file.value(u"A"s, u"K"s).has_value());
    EXPECT_EQ(file.value(u"A"s, u"\uFEFFK"s), std::string("1"));
    std::vector<std::u16string> keys;
    for (const IniFile::Entry &e : file.entries())
        keys.push_back(e.key);
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"\uFEFFK"s, u"\uFEFF L"s}));

    // A character cut off at the end of a name is a bad one, not one the next
    // name completes.
    const IniFile cut(Bom + std::string("[A]\nK\xD4 =1\n"));
    ASSERT_EQ(cut.entries().size(), 1);
    EXPECT_EQ(cut.entries().front().key, u"K\uFFFD"s);
}

TEST(IniFile, ListsTheKeysOfEverySectionInFileOrder)
{
    const IniFile file(cp932(Sample));
    std::vector<std::u16string> found;
    for (const IniFile::Entry &e : file.entries())
        found.push_back(e.section + u'/' + e.key);
    EXPECT_EQ(found,
              (std::vector<std::u16string>{u"Env/TimeR"s, u"Env/ComPort"s, u"Env/Unknown"s,
                                           u"NUBREL/Font"s, u"NUBREL/font"s, u"ENV/HISTTXT"s}));
}

TEST(IniFile, CutsUtf8ValuesBetweenCharacters)
{
    const IniFile utf8(Bom);
    const std::string value = Utf::toUtf8(u"ab番"s); // 2 + 3 bytes
    EXPECT_EQ(utf8.cut(value, 4), std::string("ab"));
    EXPECT_EQ(utf8.cut(value, 5), value);
    EXPECT_EQ(utf8.cut(value, 2), std::string("ab"));
    EXPECT_EQ(utf8.cut(value, 0), std::string());
    const IniFile cp(std::string("[A]\r\n"));
    EXPECT_EQ(cp.cut(cp932(u"ab番"s), 3), std::string("ab"));
}
