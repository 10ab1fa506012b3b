// Nubrel.ini in the program folder through GetIniInt, GetIniString and
// PutIniString: defaults, the 255-byte cut, integers, and writes that replace
// the file whole or not at all.
#ifndef _WIN32
#include "PermissionsBind.h"
#endif
#include "ProgramFolder.h"
#include "config/ProductEntry.h"
#include "config/basNbComIni.h"
#include "platform/Cp932.h"

#include "TestText.h"
#include "platform/Files.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <gtest/gtest.h>
#include <set>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {
const std::u16string Ini = u"Nubrel.ini"s;

std::u16string s(const char *utf8)
{
    return Utf::fromUtf8(utf8);
}

std::vector<std::u16string> filesIn(const ProgramFolder &folder)
{
    return fileNames(folder.path());
}
} // namespace

TEST(basNbComIni, PathIsTheProgramFolderAndNubrelIni)
{
    EXPECT_EQ(basNbComIni(u"/opt/nubrel"s).path(), u"/opt/nubrel/Nubrel.ini"s);
}

TEST(GetIni, DefaultsForAMissingFileSectionKeyOrEmptyValue)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    EXPECT_EQ(ini.GetIniInt(s("ENV"), s("COMPORT"), 2), 2);
    EXPECT_EQ(ini.GetIniString(s("ENV"), s("COMSPEED"), s("9600")), s("9600"));
    EXPECT_FALSE(folder.exists(Ini)) << "reads never create the file";

    folder.writeIni(s("[ENV]\nCOMPORT=\nCOMSPEED=  \nTIMER=3\n[NUBREL]\n"));
    const struct {
        const char *section;
        const char *key;
    } missing[] = {{"ENV", "COMPORT"},
                   {"ENV", "COMSPEED"},
                   {"NUBREL", "TIMER"},
                   {"PORTS", "TIMER"},
                   {"ENV", "HISTTXT"}};
    for (const auto &m : missing) {
        EXPECT_EQ(ini.GetIniInt(s(m.section), s(m.key), -7), -7) << m.key;
        EXPECT_EQ(ini.GetIniString(s(m.section), s(m.key), s("既定")), s("既定")) << m.key;
    }
    EXPECT_EQ(ini.GetIniInt(s("env"), s("timer"), 10), 3);
}

TEST(GetIniInt, TakesTheLeadingDecimalNumberWithin16Bits)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    const struct {
        const char *value;
        int expected;
    } cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"-5", -5},
        {"+3", 3},
        {"  7  ", 7},
        {"1 2", 1},
        {"0x10", 0},
        {"-", 0},
        {"007", 7},
        {"32767", 32767},
        {"-32768", -32768},
        {"3.9", 3},
        {"１２", 0}, // full-width digits are no number
        // Beyond 16 bits the default (99) stands.
        {"70000", 99},
        {"32768", 99},
        {"-32769", 99},
        {"65536", 99},
        {"99999999999999999999", 99},
    };
    for (const auto &c : cases) {
        folder.writeIni(s("[A]\nK=") + s(c.value) + u'\n');
        EXPECT_EQ(ini.GetIniInt(s("A"), s("K"), 99), c.expected) << c.value;
    }
}

TEST(GetIniString, CutsAt255BytesWithoutSplittingACharacter)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    const std::u16string a254(254, u'a');
    const struct {
        const char *what;
        std::u16string value;
        std::u16string expected;
    } cases[] = {
        {"300 ASCII bytes", std::u16string(300, u'x'), std::u16string(255, u'x')},
        {"exactly 255", std::u16string(255, u'x'), std::u16string(255, u'x')},
        {"a pair straddling byte 255", a254 + s("番号"), a254},
        {"a pair ending at byte 255", std::u16string(253, u'a') + s("番号"),
         std::u16string(253, u'a') + s("番")},
        {"half-width katakana are one byte", std::u16string(254, u'ｱ') + s("ｲｳ"),
         std::u16string(254, u'ｱ') + s("ｲ")},
        {"seven characters, nothing after", s("ＭＳ Ｐゴシック"), s("ＭＳ Ｐゴシック")},
    };
    for (const auto &c : cases) {
        folder.writeIni(s("[A]\nK=") + c.value + u'\n');
        EXPECT_EQ(ini.GetIniString(s("A"), s("K"), s("d")), c.expected) << c.what;
    }

    // A UTF-8 file is cut between UTF-8 characters (番 is three bytes there).
    folder.writeBytes(Ini,
                      "\xEF\xBB\xBF[A]\r\nK=" + Utf::toUtf8(std::u16string(253, u'a') + s("番")));
    EXPECT_EQ(ini.GetIniString(s("A"), s("K"), s("d")), std::u16string(253, u'a'));
}

TEST(GetIniString, ReadsHandEditedFiles)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"LF only", Cp932::encode(s("[NUBREL]\nFONT=ＭＳ Ｐゴシック\nSTATE=2\n"))},
        {"no final line end", Cp932::encode(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2"))},
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF" + Utf::toUtf8(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2\r\n"))},
        {"UTF-16 with its mark, as Notepad saves \"Unicode\"",
         "\xFF\xFE" + Utf::toUtf16(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2\r\n"),
                                   Utf::ByteOrder::LittleEndian)},
    };
    for (const auto &c : cases) {
        folder.writeBytes(Ini, c.bytes);
        EXPECT_EQ(ini.GetIniString(s("nubrel"), s("font"), std::u16string()), s("ＭＳ Ｐゴシック"))
            << c.what;
        EXPECT_EQ(ini.GetIniInt(s("NUBREL"), s("STATE"), 0), 2) << c.what;
    }
    // The UTF-16 file takes a write in UTF-16.
    ASSERT_EQ(ini.PutIniString(s("NUBREL"), s("STATE"), s("0")), 1);
    EXPECT_EQ(folder.readBytes(Ini),
              "\xFF\xFE" + Utf::toUtf16(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=0\r\n"),
                                        Utf::ByteOrder::LittleEndian));

    // One pair of quotes around a value is taken off, for text and numbers.
    folder.writeBytes(Ini, Cp932::encode(s("[NUBREL]\nFONT=\"ＭＳ Ｐゴシック\"\nSTATE='2'\n"
                                           "A=\"\"\nB='x\"\nC=\"\nD=\"\"y\"\"\n")));
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), std::u16string()), s("ＭＳ Ｐゴシック"));
    EXPECT_EQ(ini.GetIniInt(s("NUBREL"), s("STATE"), 0), 2);
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("A"), s("default")), s("default")) << "empty";
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("B"), std::u16string()), s("'x\"")) << "no pair";
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("C"), std::u16string()), s("\"")) << "one quote";
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("D"), std::u16string()), s("\"y\""))
        << "one pair only";
    // Written with quotes, read back without them.
    ASSERT_EQ(ini.PutIniString(s("NUBREL"), s("FONT"), s("\"IPAPGothic\"")), 1);
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), std::u16string()), s("IPAPGothic"));
}

TEST(PutIniString, RewritesOneLineAndKeepsEveryOtherByte)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    // A comment in CP932, another in stray bytes that are no CP932 at all: both
    // must come back untouched.
    const std::string before = Cp932::encode(s("; 設定ファイル\r\n"
                                               "[Env]\r\n"
                                               "TimeR = 5 \r\n"
                                               "Unknown=keep me\r\n"
                                               "\r\n"
                                               "[NUBREL]\r\n"
                                               "Font=x\r\n"
                                               "\r\n"
                                               "[OTHER]\r\n"
                                               "COMPORT=9\r\n")) +
                               "; \x80\xFF\x85\x40\r\n";
    folder.writeBytes(Ini, before);

    EXPECT_NE(ini.PutIniString(s("ENV"), s("timer"), s("3")), 0);
    EXPECT_NE(ini.PutIniString(s("nubrel"), s("FONT"), s("ＭＳ Ｐゴシック")), 0);
    EXPECT_NE(ini.PutIniString(s("NUBREL"), s("STATE"), s("1")), 0);
    EXPECT_NE(ini.PutIniString(s("ENV"), s("COMPORT"), s("4")), 0);
    EXPECT_NE(ini.PutIniString(s("PORTS"), s("COM4"), s("/dev/ttyUSB0")), 0);

    const std::string after = Cp932::encode(s("; 設定ファイル\r\n"
                                              "[Env]\r\n"
                                              "TimeR=3\r\n"
                                              "Unknown=keep me\r\n"
                                              "COMPORT=4\r\n"
                                              "\r\n"
                                              "[NUBREL]\r\n"
                                              "Font=ＭＳ Ｐゴシック\r\n"
                                              "STATE=1\r\n"
                                              "\r\n"
                                              "[OTHER]\r\n"
                                              "COMPORT=9\r\n")) +
                              "; \x80\xFF\x85\x40\r\n" + "[PORTS]\r\nCOM4=/dev/ttyUSB0\r\n";
    EXPECT_EQ(folder.readBytes(Ini), after);
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), std::u16string()), s("ＭＳ Ｐゴシック"));
    EXPECT_EQ(filesIn(folder), std::vector<std::u16string>{Ini})
        << "no temporary file is left behind";
}

TEST(PutIniString, HandEditedFilesAreWrittenInTheirOwnForm)
{
    ProgramFolder folder;
    basNbComIni ini(folder.path());
    folder.writeBytes(u"Nubrel.ini"s, "[ENV]\nTIMER=4\n[NUBREL]\nSTATE=2");
    EXPECT_EQ(ini.GetIniInt(u"ENV"s, u"TIMER"s, 10), 4);
    EXPECT_EQ(ini.GetIniInt(u"NUBREL"s, u"STATE"s, 0), 2);
    ini.PutIniString(u"NUBREL"s, u"FONT"s, u"a"s);
    ini.PutIniString(u"ENV"s, u"HISTTXT"s, u"1"s);
    EXPECT_EQ(folder.readBytes(u"Nubrel.ini"s),
              std::string("[ENV]\nTIMER=4\nHISTTXT=1\n[NUBREL]\nSTATE=2\nFONT=a\n"));

    folder.writeBytes(u"Nubrel.ini"s, std::string("\xEF\xBB\xBF[NUBREL]\r\nFONT=") +
                                          Utf::toUtf8(u"ＭＳ Ｐゴシック"s) + "\r\n");
    EXPECT_EQ(ini.GetIniString(u"NUBREL"s, u"FONT"s, std::u16string()), u"ＭＳ Ｐゴシック"s);
    ini.PutIniString(u"NUBREL"s, u"FONT"s, u"ゴシック"s);
    EXPECT_EQ(folder.readBytes(u"Nubrel.ini"s),
              std::string("\xEF\xBB\xBF[NUBREL]\r\nFONT=") + Utf::toUtf8(u"ゴシック"s) + "\r\n");
}

TEST(PutIniString, CreatesAMissingFileInCp932WithCrLf)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    // The keys shut-down writes, in its order, into a folder without the file.
    const char *keys[][2] = {
        {"TOP", "1200"},      {"LEFT", "1500"},      {"HEIGHT", "1725"},
        {"WIDTH", "4335"},    {"STATE", "0"},        {"FONT", "ＭＳ Ｐゴシック"},
        {"FONTSIZE", "10.5"}, {"FONTBOLD", "False"}, {"FONTITALIC", "True"}};
    std::u16string expected = s("[NUBREL]\r\n");
    for (const auto &k : keys) {
        EXPECT_NE(ini.PutIniString(s("NUBREL"), s(k[0]), s(k[1])), 0) << k[0];
        expected += s(k[0]) + u'=' + s(k[1]) + s("\r\n");
    }
    EXPECT_EQ(folder.readBytes(Ini), Cp932::encode(expected));
}

TEST(PutIniString, TextReadsBackAsCp932HoldsIt)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    const struct {
        std::u16string written;
        std::u16string read;
    } cases[] = {
        {s("ＭＳ Ｐゴシック"), s("ＭＳ Ｐゴシック")},
        {s("ｴﾗｰ番号"), s("ｴﾗｰ番号")},
        {s("−5"), s("－5")}, // U+2212 is stored as 81 7C, read as U+FF0D
        {s("～"), s("～")},
        {s("café"), s("caf?")},
        {s("  padded  "), s("padded")},
    };
    for (const auto &c : cases) {
        ini.PutIniString(s("NUBREL"), s("FONT"), c.written);
        EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), std::u16string()), c.read)
            << utf8(c.written);
    }
    ini.PutIniString(s("NUBREL"), s("FONT"), s("−"));
    EXPECT_EQ(folder.readBytes(Ini), std::string("[NUBREL]\r\nFONT=\x81\x7C\r\n"));
}

#ifndef _WIN32
// Permission bits: POSIX only.
TEST(PutIniString, AFailedWriteLeavesTheOldFile)
{
    const std::string product = Cp932::encode(
        s("[NUBREL]\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=0,ナンバーディスプレー対応モデム\r\n"));

    // The path is a folder: it can neither be read nor replaced, not even by root.
    ProgramFolder blocked;
    makeFolder(blocked.file(Ini));
    EXPECT_EQ(basNbComIni(blocked.path()).PutIniString(s("A"), s("B"), s("C")), 0);
    EXPECT_EQ(filesIn(blocked), std::vector<std::u16string>())
        << "no temporary file is left behind";

    // No such folder.
    EXPECT_EQ(basNbComIni(blocked.file(s("missing"))).PutIniString(s("A"), s("B"), s("C")), 0);

    const PermissionsBind bind;

    // A read-only folder takes no temporary file: a writable file is written
    // in place; a read-only one stays whole.
    for (const bool fileWritable : {true, false}) {
        ProgramFolder readOnly;
        readOnly.writeBytes(Ini, product);
        if (!fileWritable)
            setMode(readOnly.file(Ini), 0400);
        setMode(readOnly.path(), 0500);
        const basNbComIni ini(readOnly.path());
        EXPECT_EQ(ini.PutIniString(s("NUBREL"), s("STATE"), s("1")), fileWritable ? 1 : 0);
        EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("STATE"), s("none")),
                  fileWritable ? s("1") : s("none"));
        setMode(readOnly.path(), 0700);
        EXPECT_EQ(readOnly.readBytes(Ini), fileWritable ? product + "STATE=1\r\n" : product)
            << fileWritable;
        EXPECT_EQ(filesIn(readOnly), std::vector<std::u16string>{Ini});
    }

    // A file that cannot be read is not replaced by one holding just the new key.
    ProgramFolder unreadable;
    unreadable.writeBytes(Ini, product);
    setMode(unreadable.file(Ini), 0200);
    EXPECT_EQ(basNbComIni(unreadable.path()).PutIniString(s("NUBREL"), s("STATE"), s("1")), 0);
    setMode(unreadable.file(Ini), 0600);
    EXPECT_EQ(unreadable.readBytes(Ini), product);
}
#endif

TEST(ShippedIni, IsCp932WithCrLfAndAProductListThatReadsWhole)
{
    // The file as this platform's install ships it.
    const std::u16string resources = Utf::fromUtf8(NUBREL_SHIPPED_INI_FOLDER);
    std::string bytes;
    ASSERT_TRUE(Files::read(resources + s("/Nubrel.ini"), bytes));
    EXPECT_FALSE(contains(Cp932::decode(bytes), char16_t(0xFFFD)));
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    EXPECT_EQ(countOf(bytes, '\n'), countOf(bytes, "\r\n")) << "every line ends in CR LF";

    const basNbComIni ini(resources);
    EXPECT_EQ(ini.GetIniInt(s("ENV"), s("TIMER"), 0), 10);
    EXPECT_EQ(ini.GetIniInt(s("ENV"), s("COMPORT"), 0), 2);
    EXPECT_EQ(ini.GetIniString(s("ENV"), s("COMSPEED"), std::u16string()), s("9600"));
    EXPECT_EQ(ini.GetIniInt(s("ENV"), s("HISTTXT"), -1), 0);
    EXPECT_EQ(ini.GetIniInt(s("NUBREL"), s("PRODUCTSIDX"), -1), 0);
    EXPECT_EQ(ini.GetIniString(s("PORTS"), s("COM2"), s("none")), s("none"))
        << "the port map is only explained, never set";

    const int count = ini.GetIniInt(s("NUBREL"), s("PRODUCTSLISTCNT"), 0);
    EXPECT_GE(count, 2);
    std::set<int> kinds;
    for (int n = 0; n < count; ++n) {
        const std::u16string entry =
            ini.GetIniString(s("NUBREL"), s("PRODUCTSLIST") + Text::number(n), std::u16string());
        const ProductEntry product = SplitList(static_cast<std::int16_t>(n), entry);
        EXPECT_FALSE(product.ProductName.empty()) << n;
        EXPECT_TRUE(product.Kind == 0 || product.Kind == 1) << n;
        kinds.insert(product.Kind);
    }
    EXPECT_EQ(kinds, (std::set<int>{0, 1})) << "both kinds are offered";
}
