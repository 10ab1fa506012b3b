// The settings document on its own bytes: what counts as a section and a key,
// and that a write changes only what it must.
#include "config/IniFile.h"
#include "platform/Cp932.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {
QByteArray cp932(const QString &text)
{
    return Cp932::encode(text);
}

const QByteArray Bom("\xEF\xBB\xBF");

std::optional<QString> read(const IniFile &file, const char *section, const char *key)
{
    const auto value = file.value(QString::fromUtf8(section), QString::fromUtf8(key));
    if (!value)
        return std::nullopt;
    return file.decode(*value);
}

// Comments, mixed-case names, unknown keys, blank lines and two sections that
// a write must keep exactly as they are.
const QString Sample = QStringLiteral("; 設定ファイル（手で編集）\r\n"
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
                                      "HISTTXT=1\r\n");
} // namespace

TEST(IniFileRead, FindsTheFirstSectionAndKeyWithoutRegardToCase)
{
    const IniFile file(cp932(Sample));
    const struct {
        const char *section;
        const char *key;
        std::optional<QString> value;
    } cases[] = {
        {"ENV", "TIMER", QStringLiteral("5")}, // blanks around key and value
        {"env", "comport", QStringLiteral("3")},
        {"Env", "UNKNOWN", QStringLiteral("keep me")},
        {"nubrel", "FONT", QStringLiteral("ＭＳ Ｐゴシック")}, // the first of two
        {"ENV", "HISTTXT", std::nullopt},                      // only in the second [ENV]
        {"ENV", "KEY", std::nullopt},                          // before any section
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
    const IniFile file(cp932(QStringLiteral("[ア]\r\nア=1\r\n[ｅｎｖ]\r\nｔｉｍｅｒ=2\r\n")));
    EXPECT_EQ(read(file, "ア", "ア"), QStringLiteral("1"));
    EXPECT_EQ(read(file, "ヂ", "ア"), std::nullopt);
    EXPECT_EQ(read(file, "ア", "ヂ"), std::nullopt);
    EXPECT_EQ(read(file, "ＥＮＶ", "ＴＩＭＥＲ"), QStringLiteral("2")) << "full-width letters fold";

    // ゾ is 83 5D: its second byte is ']' and must not end the section name.
    const IniFile dbcs(cp932(QStringLiteral("[ゾ]\r\nK=v\r\n")));
    EXPECT_EQ(read(dbcs, "ゾ", "K"), QStringLiteral("v"));
}

TEST(IniFileRead, HandEditedFormsReadLikeTheShippedOne)
{
    const struct {
        const char *what;
        QByteArray bytes;
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
        EXPECT_EQ(read(file, "A", "K"), QStringLiteral("v")) << c.what;
        EXPECT_EQ(read(file, "B", "K"), QStringLiteral("w")) << c.what;
    }

    // A '[' line without its ']' opens no section: its keys stay where they were.
    const IniFile open("[A]\nK=v\n[B\nL=w\n");
    EXPECT_EQ(read(open, "A", "L"), QStringLiteral("w"));
    EXPECT_FALSE(IniFile("[B\nL=w\n").value(QStringLiteral("B"), QStringLiteral("L")));

    const IniFile utf8(Bom + QStringLiteral("[NUBREL]\nFONT=ＭＳ Ｐゴシック\n").toUtf8());
    EXPECT_TRUE(utf8.isUtf8());
    EXPECT_EQ(read(utf8, "NUBREL", "FONT"), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_FALSE(IniFile(cp932(Sample)).isUtf8());
}

TEST(IniFileWrite, ChangesOnlyItsLineAndLeavesEveryOtherByte)
{
    const struct {
        const char *what;
        const char *section;
        const char *key;
        QString value;
        QString before;
        QString after;
    } cases[] = {
        {"an existing key keeps its spelling and line end, loses its blanks", "env", "TIMER",
         QStringLiteral("3"), QStringLiteral("[Env]\r\n  TimeR = 5 ; x\r\nB=1\n"),
         QStringLiteral("[Env]\r\nTimeR=3\r\nB=1\n")},
        {"a missing key goes after the section's last key", "ENV", "HISTTXT", QStringLiteral("1"),
         QStringLiteral("[ENV]\r\nA=1\r\n; note\r\n\r\n[NUBREL]\r\nA=2\r\n"),
         QStringLiteral("[ENV]\r\nA=1\r\nHISTTXT=1\r\n; note\r\n\r\n[NUBREL]\r\nA=2\r\n")},
        {"a section with no keys gets it after its header", "NUBREL", "STATE", QStringLiteral("0"),
         QStringLiteral("[NUBREL]\r\n\r\n[ENV]\r\n"),
         QStringLiteral("[NUBREL]\r\nSTATE=0\r\n\r\n[ENV]\r\n")},
        {"the first of two sections", "ENV", "K", QStringLiteral("v"),
         QStringLiteral("[ENV]\r\nA=1\r\n[ENV]\r\nK=old\r\n"),
         QStringLiteral("[ENV]\r\nA=1\r\nK=v\r\n[ENV]\r\nK=old\r\n")},
        {"the first of two keys", "ENV", "K", QStringLiteral("v"),
         QStringLiteral("[ENV]\r\nk=1\r\nK=2\r\n"), QStringLiteral("[ENV]\r\nk=v\r\nK=2\r\n")},
        {"a missing section goes at the end", "PORTS", "COM2", QStringLiteral("/dev/ttyUSB0"),
         QStringLiteral("[ENV]\r\nA=1\r\n\r\n"),
         QStringLiteral("[ENV]\r\nA=1\r\n\r\n[PORTS]\r\nCOM2=/dev/ttyUSB0\r\n")},
        {"a key before any section is not the section's", "ENV", "K", QStringLiteral("v"),
         QStringLiteral("K=1\r\n"), QStringLiteral("K=1\r\n[ENV]\r\nK=v\r\n")},
        {"an empty file", "NUBREL", "FONT", QStringLiteral("ＭＳ Ｐゴシック"), QString(),
         QStringLiteral("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\n")},
        {"LF lines get LF lines", "A", "N", QStringLiteral("2"),
         QStringLiteral("[A]\nK=1\n[B]\nK=1\r\n"), QStringLiteral("[A]\nK=1\nN=2\n[B]\nK=1\r\n")},
        {"LF file, new section", "C", "N", QStringLiteral("2"), QStringLiteral("[A]\nK=1\n"),
         QStringLiteral("[A]\nK=1\n[C]\nN=2\n")},
        {"no final line end, new key", "A", "N", QStringLiteral("2"), QStringLiteral("[A]\r\nK=1"),
         QStringLiteral("[A]\r\nK=1\r\nN=2\r\n")},
        {"no final line end, new section", "B", "N", QStringLiteral("2"),
         QStringLiteral("[A]\r\nK=1"), QStringLiteral("[A]\r\nK=1\r\n[B]\r\nN=2\r\n")},
        {"no final line end, existing key", "A", "K", QStringLiteral("2"),
         QStringLiteral("[A]\r\nK=1"), QStringLiteral("[A]\r\nK=2")},
        {"header without a line end", "A", "N", QStringLiteral("2"), QStringLiteral("[A]"),
         QStringLiteral("[A]\r\nN=2\r\n")},
        {"a CR at the end gets only its LF", "A", "N", QStringLiteral("2"),
         QStringLiteral("[A]\r\nK=1\r"), QStringLiteral("[A]\r\nK=1\r\nN=2\r\n")},
        {"values keep double-byte text", "A", "K", QStringLiteral("ソ]ゾ=表"),
         QStringLiteral("[A]\r\nK=\r\n"), QStringLiteral("[A]\r\nK=ソ]ゾ=表\r\n")},
    };
    for (const auto &c : cases) {
        IniFile file(cp932(c.before));
        EXPECT_TRUE(file.setValue(QString::fromUtf8(c.section), QString::fromUtf8(c.key), c.value))
            << c.what;
        EXPECT_EQ(file.bytes(), cp932(c.after)) << c.what;
        EXPECT_EQ(read(file, c.section, c.key), c.value) << c.what;
    }
}

TEST(IniFileWrite, AWholeSampleKeepsEverythingButTheWrittenLines)
{
    IniFile file(cp932(Sample));
    EXPECT_TRUE(
        file.setValue(QStringLiteral("ENV"), QStringLiteral("COMPORT"), QStringLiteral("1")));
    EXPECT_TRUE(
        file.setValue(QStringLiteral("NUBREL"), QStringLiteral("STATE"), QStringLiteral("3")));
    EXPECT_TRUE(
        file.setValue(QStringLiteral("ENV"), QStringLiteral("HISTTXT"), QStringLiteral("0")));
    QString expected = Sample;
    expected.replace(QStringLiteral("  ComPort=3\r\n"), QStringLiteral("ComPort=1\r\n"));
    expected.replace(QStringLiteral("font=second\r\n"),
                     QStringLiteral("font=second\r\nSTATE=3\r\n"));
    expected.replace(QStringLiteral("not a key line\r\n"),
                     QStringLiteral("not a key line\r\n").prepend(QStringLiteral("HISTTXT=0\r\n")));
    EXPECT_EQ(file.bytes(), cp932(expected));
}

TEST(IniFileWrite, AUtf16FileIsReadAndWrittenAsUtf16)
{
    // What Notepad saves as "Unicode", and as "Unicode big endian".
    const QString text =
        QStringLiteral("; 設定\r\n[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2\r\n");
    for (const bool little : {true, false}) {
        QStringEncoder utf16(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
        const QByteArray mark = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        const QByteArray bytes = mark + QByteArray(utf16.encode(text));
        IniFile file(bytes);
        EXPECT_TRUE(file.isUtf16());
        EXPECT_FALSE(file.isUtf8());
        EXPECT_EQ(read(file, "NUBREL", "FONT"), QStringLiteral("ＭＳ Ｐゴシック")) << little;
        EXPECT_EQ(file.bytes(), bytes) << "read only, the bytes stay";

        ASSERT_TRUE(
            file.setValue(QStringLiteral("NUBREL"), QStringLiteral("STATE"), QStringLiteral("3")));
        ASSERT_TRUE(file.setValue(QStringLiteral("PORTS"), QStringLiteral("COM2"),
                                  QStringLiteral("/dev/ttyUSB0")));
        QString expected = text;
        expected.replace(QStringLiteral("STATE=2"), QStringLiteral("STATE=3"));
        expected += QStringLiteral("[PORTS]\r\nCOM2=/dev/ttyUSB0\r\n");
        EXPECT_EQ(file.bytes(), mark + QByteArray(utf16.encode(expected))) << little;
        EXPECT_EQ(read(IniFile(file.bytes()), "PORTS", "COM2"), QStringLiteral("/dev/ttyUSB0"));
    }
}

TEST(IniFileWrite, AUtf8FileStaysUtf8AndKeepsItsMark)
{
    IniFile file(Bom + QStringLiteral("[NUBREL]\r\nFONT=x\r\n").toUtf8());
    file.setValue(QStringLiteral("NUBREL"), QStringLiteral("FONT"),
                  QStringLiteral("ＭＳ Ｐゴシック"));
    file.setValue(QStringLiteral("PORTS"), QStringLiteral("COM1"), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(
        file.bytes(),
        Bom + QStringLiteral("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\n[PORTS]\r\nCOM1=/dev/ttyS0\r\n")
                  .toUtf8());

    IniFile markOnly(Bom);
    markOnly.setValue(QStringLiteral("A"), QStringLiteral("K"), QStringLiteral("番"));
    EXPECT_EQ(markOnly.bytes(), Bom + QStringLiteral("[A]\r\nK=番\r\n").toUtf8())
        << "no blank line after the mark";
}

TEST(IniFileWrite, RefusesNamesAndValuesThatWouldNotReadBack)
{
    const struct {
        QString section;
        QString key;
        QString value;
    } cases[] = {
        {QString(), QStringLiteral("K"), QStringLiteral("v")},
        {QStringLiteral("A"), QString(), QStringLiteral("v")},
        {QStringLiteral("A]B"), QStringLiteral("K"), QStringLiteral("v")},
        {QStringLiteral("A\nB"), QStringLiteral("K"), QStringLiteral("v")},
        {QStringLiteral(" A"), QStringLiteral("K"), QStringLiteral("v")},
        {QStringLiteral("A"), QStringLiteral("K=L"), QStringLiteral("v")},
        {QStringLiteral("A"), QStringLiteral("K\t"), QStringLiteral("v")},
        {QStringLiteral("A"), QStringLiteral(";K"), QStringLiteral("v")},
        {QStringLiteral("A"), QStringLiteral("#K"), QStringLiteral("v")},
        {QStringLiteral("A"), QStringLiteral("[K"), QStringLiteral("v")},
        {QStringLiteral("A"), QStringLiteral("K"), QStringLiteral("v\r\n[B]")},
        {QStringLiteral("A"), QStringLiteral("K"), QStringLiteral("v\rw")},
    };
    const QByteArray before = cp932(QStringLiteral("[A]\r\nK=1\r\n"));
    for (const auto &c : cases) {
        IniFile file(before);
        EXPECT_FALSE(file.setValue(c.section, c.key, c.value))
            << qPrintable(c.section + u'/' + c.key + u'/' + c.value);
        EXPECT_EQ(file.bytes(), before);
    }

    // Names CP932 cannot hold would be written as other names ("¬" comes back
    // as "￢", "€" as "?"): never found again, one more line at every write.
    for (const QString &key : {QStringLiteral("K¬"), QStringLiteral("K€")}) {
        IniFile file(before);
        EXPECT_FALSE(file.setValue(QStringLiteral("A"), key, QStringLiteral("v")))
            << qPrintable(key);
        EXPECT_FALSE(file.setValue(key, QStringLiteral("K"), QStringLiteral("v")))
            << qPrintable(key);
        EXPECT_EQ(file.bytes(), before);
    }
    // The same names are fine in a UTF-8 file.
    IniFile utf8(Bom + QByteArray("[A]\r\n"));
    EXPECT_TRUE(utf8.setValue(QStringLiteral("A"), QStringLiteral("K¬"), QStringLiteral("v")));
    EXPECT_EQ(read(utf8, "A", "K¬"), QStringLiteral("v"));
}

TEST(IniFileRead, AByteOrderMarkInsideAUtf8FileIsPartOfTheName)
{
    // A file pasted into another keeps its mark at the start of a line.
    const IniFile file(Bom + QByteArray("[A]\n") + Bom + "K=1\n" + Bom + " L=2\n");
    EXPECT_FALSE(file.value(QStringLiteral("A"), QStringLiteral("K")).has_value());
    EXPECT_EQ(file.value(QStringLiteral("A"), QStringLiteral("\uFEFFK")), QByteArray("1"));
    QStringList keys;
    for (const IniFile::Entry &e : file.entries())
        keys << e.key;
    EXPECT_EQ(keys, (QStringList{QStringLiteral("\uFEFFK"), QStringLiteral("\uFEFF L")}));

    // A character cut off at the end of a name is a bad one, not one the next
    // name completes.
    const IniFile cut(Bom + QByteArray("[A]\nK\xD4 =1\n"));
    ASSERT_EQ(cut.entries().size(), 1);
    EXPECT_EQ(cut.entries().front().key, QStringLiteral("K\uFFFD"));
}

TEST(IniFile, ListsTheKeysOfEverySectionInFileOrder)
{
    const IniFile file(cp932(Sample));
    QStringList found;
    for (const IniFile::Entry &e : file.entries())
        found << e.section + u'/' + e.key;
    EXPECT_EQ(found, (QStringList{QStringLiteral("Env/TimeR"), QStringLiteral("Env/ComPort"),
                                  QStringLiteral("Env/Unknown"), QStringLiteral("NUBREL/Font"),
                                  QStringLiteral("NUBREL/font"), QStringLiteral("ENV/HISTTXT")}));
}

TEST(IniFile, CutsUtf8ValuesBetweenCharacters)
{
    const IniFile utf8(Bom);
    const QByteArray value = QStringLiteral("ab番").toUtf8(); // 2 + 3 bytes
    EXPECT_EQ(utf8.cut(value, 4), QByteArray("ab"));
    EXPECT_EQ(utf8.cut(value, 5), value);
    EXPECT_EQ(utf8.cut(value, 2), QByteArray("ab"));
    EXPECT_EQ(utf8.cut(value, 0), QByteArray());
    const IniFile cp(QByteArray("[A]\r\n"));
    EXPECT_EQ(cp.cut(cp932(QStringLiteral("ab番")), 3), QByteArray("ab"));
}
