// Nubrel.ini in the program folder through GetIniInt, GetIniString and
// PutIniString: defaults, the 255-byte cut, integers, and writes that replace
// the file whole or not at all.
#include "PermissionsBind.h"
#include "ProgramFolder.h"
#include "config/ProductEntry.h"
#include "config/basNbComIni.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringEncoder>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
const QString Ini = QStringLiteral("Nubrel.ini");

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList filesIn(const ProgramFolder &folder)
{
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}
} // namespace

TEST(basNbComIni, PathIsTheProgramFolderAndNubrelIni)
{
    EXPECT_EQ(basNbComIni(QStringLiteral("/opt/nubrel")).path(),
              QStringLiteral("/opt/nubrel/Nubrel.ini"));
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
    const QString a254(254, u'a');
    const struct {
        const char *what;
        QString value;
        QString expected;
    } cases[] = {
        {"300 ASCII bytes", QString(300, u'x'), QString(255, u'x')},
        {"exactly 255", QString(255, u'x'), QString(255, u'x')},
        {"a pair straddling byte 255", a254 + s("番号"), a254},
        {"a pair ending at byte 255", QString(253, u'a') + s("番号"), QString(253, u'a') + s("番")},
        {"half-width katakana are one byte", QString(254, u'ｱ') + s("ｲｳ"),
         QString(254, u'ｱ') + s("ｲ")},
        {"seven characters, nothing after", s("ＭＳ Ｐゴシック"), s("ＭＳ Ｐゴシック")},
    };
    for (const auto &c : cases) {
        folder.writeIni(s("[A]\nK=") + c.value + u'\n');
        EXPECT_EQ(ini.GetIniString(s("A"), s("K"), s("d")), c.expected) << c.what;
    }

    // A UTF-8 file is cut between UTF-8 characters (番 is three bytes there).
    folder.writeBytes(Ini, "\xEF\xBB\xBF[A]\r\nK=" + (QString(253, u'a') + s("番")).toUtf8());
    EXPECT_EQ(ini.GetIniString(s("A"), s("K"), s("d")), QString(253, u'a'));
}

TEST(GetIniString, ReadsHandEditedFiles)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    const struct {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        {"LF only", Cp932::encode(s("[NUBREL]\nFONT=ＭＳ Ｐゴシック\nSTATE=2\n"))},
        {"no final line end", Cp932::encode(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2"))},
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF" + s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2\r\n").toUtf8()},
        {"UTF-16 with its mark, as Notepad saves \"Unicode\"",
         "\xFF\xFE" +
             QByteArray(QStringEncoder(QStringEncoder::Utf16LE)
                            .encode(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=2\r\n")))},
    };
    for (const auto &c : cases) {
        folder.writeBytes(Ini, c.bytes);
        EXPECT_EQ(ini.GetIniString(s("nubrel"), s("font"), QString()), s("ＭＳ Ｐゴシック"))
            << c.what;
        EXPECT_EQ(ini.GetIniInt(s("NUBREL"), s("STATE"), 0), 2) << c.what;
    }
    // The UTF-16 file takes a write in UTF-16.
    ASSERT_EQ(ini.PutIniString(s("NUBREL"), s("STATE"), s("0")), 1);
    EXPECT_EQ(folder.readBytes(Ini),
              "\xFF\xFE" +
                  QByteArray(QStringEncoder(QStringEncoder::Utf16LE)
                                 .encode(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\nSTATE=0\r\n"))));

    // One pair of quotes around a value is taken off, for text and numbers.
    folder.writeBytes(Ini, Cp932::encode(s("[NUBREL]\nFONT=\"ＭＳ Ｐゴシック\"\nSTATE='2'\n"
                                           "A=\"\"\nB='x\"\nC=\"\nD=\"\"y\"\"\n")));
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), QString()), s("ＭＳ Ｐゴシック"));
    EXPECT_EQ(ini.GetIniInt(s("NUBREL"), s("STATE"), 0), 2);
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("A"), s("default")), s("default")) << "empty";
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("B"), QString()), s("'x\"")) << "no pair";
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("C"), QString()), s("\"")) << "one quote";
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("D"), QString()), s("\"y\"")) << "one pair only";
    // Written with quotes, read back without them.
    ASSERT_EQ(ini.PutIniString(s("NUBREL"), s("FONT"), s("\"IPAPGothic\"")), 1);
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), QString()), s("IPAPGothic"));
}

TEST(PutIniString, RewritesOneLineAndKeepsEveryOtherByte)
{
    ProgramFolder folder;
    const basNbComIni ini(folder.path());
    // A comment in CP932, another in stray bytes that are no CP932 at all: both
    // must come back untouched.
    const QByteArray before = Cp932::encode(s("; 設定ファイル\r\n"
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

    const QByteArray after = Cp932::encode(s("; 設定ファイル\r\n"
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
    EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), QString()), s("ＭＳ Ｐゴシック"));
    EXPECT_EQ(filesIn(folder), QStringList{Ini}) << "no temporary file is left behind";
}

TEST(PutIniString, HandEditedFilesAreWrittenInTheirOwnForm)
{
    ProgramFolder folder;
    basNbComIni ini(folder.path());
    folder.writeBytes(QStringLiteral("Nubrel.ini"), "[ENV]\nTIMER=4\n[NUBREL]\nSTATE=2");
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("ENV"), QStringLiteral("TIMER"), 10), 4);
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("NUBREL"), QStringLiteral("STATE"), 0), 2);
    ini.PutIniString(QStringLiteral("NUBREL"), QStringLiteral("FONT"), QStringLiteral("a"));
    ini.PutIniString(QStringLiteral("ENV"), QStringLiteral("HISTTXT"), QStringLiteral("1"));
    EXPECT_EQ(folder.readBytes(QStringLiteral("Nubrel.ini")),
              QByteArray("[ENV]\nTIMER=4\nHISTTXT=1\n[NUBREL]\nSTATE=2\nFONT=a\n"));

    folder.writeBytes(QStringLiteral("Nubrel.ini"), QByteArray("\xEF\xBB\xBF[NUBREL]\r\nFONT=") +
                                                        QStringLiteral("ＭＳ Ｐゴシック").toUtf8() +
                                                        "\r\n");
    EXPECT_EQ(ini.GetIniString(QStringLiteral("NUBREL"), QStringLiteral("FONT"), QString()),
              QStringLiteral("ＭＳ Ｐゴシック"));
    ini.PutIniString(QStringLiteral("NUBREL"), QStringLiteral("FONT"), QStringLiteral("ゴシック"));
    EXPECT_EQ(folder.readBytes(QStringLiteral("Nubrel.ini")),
              QByteArray("\xEF\xBB\xBF[NUBREL]\r\nFONT=") + QStringLiteral("ゴシック").toUtf8() +
                  "\r\n");
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
    QString expected = s("[NUBREL]\r\n");
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
        QString written;
        QString read;
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
        EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("FONT"), QString()), c.read)
            << qPrintable(c.written);
    }
    ini.PutIniString(s("NUBREL"), s("FONT"), s("−"));
    EXPECT_EQ(folder.readBytes(Ini), QByteArray("[NUBREL]\r\nFONT=\x81\x7C\r\n"));
}

TEST(PutIniString, AFailedWriteLeavesTheOldFile)
{
    const QByteArray product = Cp932::encode(
        s("[NUBREL]\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=0,ナンバーディスプレー対応モデム\r\n"));

    // The path is a folder: it can neither be read nor replaced, not even by root.
    ProgramFolder blocked;
    QDir().mkdir(blocked.file(Ini));
    EXPECT_EQ(basNbComIni(blocked.path()).PutIniString(s("A"), s("B"), s("C")), 0);
    EXPECT_EQ(filesIn(blocked), QStringList()) << "no temporary file is left behind";

    // No such folder.
    EXPECT_EQ(basNbComIni(blocked.file(s("missing"))).PutIniString(s("A"), s("B"), s("C")), 0);

    const PermissionsBind bind;

    // A read-only folder takes no temporary file: a writable file is written
    // in place; a read-only one stays whole.
    for (const bool fileWritable : {true, false}) {
        ProgramFolder readOnly;
        readOnly.writeBytes(Ini, product);
        if (!fileWritable)
            QFile::setPermissions(readOnly.file(Ini), QFile::ReadOwner);
        QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner);
        const basNbComIni ini(readOnly.path());
        EXPECT_EQ(ini.PutIniString(s("NUBREL"), s("STATE"), s("1")), fileWritable ? 1 : 0);
        EXPECT_EQ(ini.GetIniString(s("NUBREL"), s("STATE"), s("none")),
                  fileWritable ? s("1") : s("none"));
        QFile::setPermissions(readOnly.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(readOnly.readBytes(Ini), fileWritable ? product + "STATE=1\r\n" : product)
            << fileWritable;
        EXPECT_EQ(filesIn(readOnly), QStringList{Ini});
    }

    // A file that cannot be read is not replaced by one holding just the new key.
    ProgramFolder unreadable;
    unreadable.writeBytes(Ini, product);
    QFile::setPermissions(unreadable.file(Ini), QFile::WriteOwner);
    EXPECT_EQ(basNbComIni(unreadable.path()).PutIniString(s("NUBREL"), s("STATE"), s("1")), 0);
    QFile::setPermissions(unreadable.file(Ini), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(unreadable.readBytes(Ini), product);
}

TEST(ShippedIni, IsCp932WithCrLfAndAProductListThatReadsWhole)
{
    // The source tree's resources folder, found from this file's own path.
    const QString resources =
        QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() + s("/../../resources");
    QFile file(resources + s("/Nubrel.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(Cp932::decode(bytes).contains(QChar(0xFFFD)));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "every line ends in CR LF";

    const basNbComIni ini(resources);
    EXPECT_EQ(ini.GetIniInt(s("ENV"), s("TIMER"), 0), 10);
    EXPECT_EQ(ini.GetIniInt(s("ENV"), s("COMPORT"), 0), 2);
    EXPECT_EQ(ini.GetIniString(s("ENV"), s("COMSPEED"), QString()), s("9600"));
    EXPECT_EQ(ini.GetIniInt(s("ENV"), s("HISTTXT"), -1), 0);
    EXPECT_EQ(ini.GetIniInt(s("NUBREL"), s("PRODUCTSIDX"), -1), 0);
    EXPECT_EQ(ini.GetIniString(s("PORTS"), s("COM2"), s("none")), s("none"))
        << "the port map is only explained, never set";

    const int count = ini.GetIniInt(s("NUBREL"), s("PRODUCTSLISTCNT"), 0);
    EXPECT_GE(count, 2);
    QSet<int> kinds;
    for (int n = 0; n < count; ++n) {
        const QString entry =
            ini.GetIniString(s("NUBREL"), s("PRODUCTSLIST") + QString::number(n), QString());
        const ProductEntry product = SplitList(static_cast<std::int16_t>(n), entry);
        EXPECT_FALSE(product.ProductName.isEmpty()) << n;
        EXPECT_TRUE(product.Kind == 0 || product.Kind == 1) << n;
        kinds.insert(product.Kind);
    }
    EXPECT_EQ(kinds, (QSet<int>{0, 1})) << "both kinds are offered";
}
