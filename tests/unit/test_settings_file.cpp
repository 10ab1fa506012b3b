// The settings file: the four look-up and write rules, CP932, and the mends
// for hand-edited files.
#include "ProgramFolder.h"
#include "config/IniFile.h"
#include "config/ProductEntry.h"
#include "config/basNbComIni.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {
const QByteArray Sample = "; 設定ファイル\r\n"
                          "[Env]\r\n"
                          "TimeR = 5 \r\n"
                          "Unknown=keep me\r\n"
                          "\r\n"
                          "[NUBREL]\r\n"
                          "Font=x\r\n"
                          "\r\n"
                          "[OTHER]\r\n"
                          "COMPORT=9\r\n";
}

TEST(IniRead, FindsSectionAndKeyInAnyCaseAndFallsBackToTheDefault)
{
    ProgramFolder folder;
    basNbComIni ini(folder.path());
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("ENV"), QStringLiteral("TIMER"), 10), 10) << "no file";
    EXPECT_EQ(ini.GetIniString(QStringLiteral("ENV"), QStringLiteral("X"), QStringLiteral("d")),
              QStringLiteral("d"));

    folder.writeBytes(QStringLiteral("Nubrel.ini"), Sample + "[ENV]\r\nCOMPORT=\r\n");
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("env"), QStringLiteral("timer"), 10), 5);
    EXPECT_EQ(ini.GetIniString(QStringLiteral("ENV"), QStringLiteral("UNKNOWN"), QString()),
              QStringLiteral("keep me"));
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("ENV"), QStringLiteral("COMPORT"), 2), 2)
        << "a key of another section does not count";
    EXPECT_EQ(ini.GetIniString(QStringLiteral("NUBREL"), QStringLiteral("FONTSIZE"),
                               QStringLiteral("18")),
              QStringLiteral("18"));

    struct Case {
        const char *value;
        int expected;
    } ints[] = {{"12abc", 12},    {"abc", 0},         {"-5", -5}, {"70000", 7},
                {"32767", 32767}, {"-32768", -32768}, {"", 7},    {"+3", 3}};
    for (const Case &c : ints) {
        folder.writeBytes(QStringLiteral("Nubrel.ini"), QByteArray("[A]\r\nK=") + c.value + "\r\n");
        EXPECT_EQ(ini.GetIniInt(QStringLiteral("A"), QStringLiteral("K"), 7), c.expected)
            << c.value;
    }
}

TEST(IniRead, StringsAreCutAt255BytesNeverInsideADoubleByteCharacter)
{
    ProgramFolder folder;
    basNbComIni ini(folder.path());
    const QString longAscii(300, u'a');
    folder.writeIni(QStringLiteral("[A]\nK=") + longAscii + u'\n');
    EXPECT_EQ(ini.GetIniString(QStringLiteral("A"), QStringLiteral("K"), QString()),
              QString(255, u'a'));

    // 254 single bytes, then a double-byte character straddling byte 255.
    folder.writeIni(QStringLiteral("[A]\nK=") + QString(254, u'a') + QStringLiteral("番号") +
                    u'\n');
    EXPECT_EQ(ini.GetIniString(QStringLiteral("A"), QStringLiteral("K"), QString()),
              QString(254, u'a'));
    folder.writeIni(QStringLiteral("[A]\nK=") + QString(253, u'a') + QStringLiteral("番号") +
                    u'\n');
    EXPECT_EQ(ini.GetIniString(QStringLiteral("A"), QStringLiteral("K"), QString()),
              QString(253, u'a') + QStringLiteral("番"));
}

TEST(IniWrite, ChangesOnlyItsLineAndAddsKeysAndSectionsWhereTheyBelong)
{
    ProgramFolder folder;
    basNbComIni ini(folder.path());
    folder.writeBytes(QStringLiteral("Nubrel.ini"), Sample);

    EXPECT_NE(ini.PutIniString(QStringLiteral("ENV"), QStringLiteral("timer"), QStringLiteral("3")),
              0);
    EXPECT_NE(
        ini.PutIniString(QStringLiteral("NUBREL"), QStringLiteral("STATE"), QStringLiteral("1")),
        0);
    EXPECT_NE(ini.PutIniString(QStringLiteral("PORTS"), QStringLiteral("COM2"),
                               QStringLiteral("/dev/ttyUSB0")),
              0);
    EXPECT_EQ(folder.readBytes(QStringLiteral("Nubrel.ini")), QByteArray("; 設定ファイル\r\n"
                                                                         "[Env]\r\n"
                                                                         "TimeR=3\r\n"
                                                                         "Unknown=keep me\r\n"
                                                                         "\r\n"
                                                                         "[NUBREL]\r\n"
                                                                         "Font=x\r\n"
                                                                         "STATE=1\r\n"
                                                                         "\r\n"
                                                                         "[OTHER]\r\n"
                                                                         "COMPORT=9\r\n"
                                                                         "[PORTS]\r\n"
                                                                         "COM2=/dev/ttyUSB0\r\n"));

    ProgramFolder fresh;
    basNbComIni created(fresh.path());
    created.PutIniString(QStringLiteral("NUBREL"), QStringLiteral("FONT"),
                         QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(fresh.readBytes(QStringLiteral("Nubrel.ini")),
              QByteArray("[NUBREL]\r\nFONT=") + Cp932::encode(QStringLiteral("ＭＳ Ｐゴシック")) +
                  "\r\n");
    EXPECT_EQ(created.GetIniString(QStringLiteral("NUBREL"), QStringLiteral("FONT"), QString()),
              QStringLiteral("ＭＳ Ｐゴシック"));
}

TEST(IniWrite, HandEditedFilesReadAndWriteInTheirOwnForm)
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

TEST(IniWrite, AWriteThatCannotBeDoneReportsItAndLeavesNoTemporaryFile)
{
    ProgramFolder folder;
    // A folder in the file's place cannot be replaced, not even by root.
    QDir().mkdir(folder.file(QStringLiteral("Nubrel.ini")));
    basNbComIni ini(folder.path());
    EXPECT_EQ(ini.PutIniString(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")), 0);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST(Cp932, RoundTripsAndTheWindowsMapping)
{
    for (const QString &text : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ｴﾗｰ番号"),
                                QStringLiteral("着信履歴.TXT"), QStringLiteral("～")})
        EXPECT_EQ(Cp932::decode(Cp932::encode(text)), text);
    EXPECT_EQ(Cp932::encode(QStringLiteral("ｴﾗｰ番号")), QByteArray("\xB4\xD7\xB0\x94\xD4\x8D\x86"));
    EXPECT_EQ(Cp932::encode(QStringLiteral("−")), QByteArray("\x81\x7C"));
    EXPECT_EQ(Cp932::decode(QByteArray("\x81\x7C")), QStringLiteral("－")) << "as Windows reads it";
    EXPECT_EQ(Cp932::encode(QStringLiteral("～")), QByteArray("\x81\x60"));
    EXPECT_EQ(Cp932::encode(QStringLiteral("a😀b")), QByteArray("a?b"));
    EXPECT_EQ(Cp932::decode(QByteArray("a\x81")), QStringLiteral("a\uFFFD"));
    EXPECT_EQ(Cp932::cutAt(QByteArray("ab\x94\xD4"), 3), QByteArray("ab"));
    EXPECT_EQ(Cp932::cutAt(QByteArray("ab\x94\xD4"), 4), QByteArray("ab\x94\xD4"));
}

TEST(SplitList, KindBeforeTheFirstCommaAndTheRestAsName)
{
    struct Case {
        const char *entry;
        int kind;
        const char *name;
    } cases[] = {{"1,TA,model,2", 1, "TA,model,2"},
                 {"no comma", 0, ""},
                 {" 1 ,x", 1, "x"},
                 {"abc,x", 0, "x"},
                 {"", 0, ""},
                 {"0,", 0, ""},
                 {"99999,x", 0, "x"},
                 {"-1,x", -1, "x"}};
    for (const Case &c : cases) {
        const ProductEntry e = SplitList(5, QString::fromUtf8(c.entry));
        EXPECT_EQ(e.ListIndex, 5);
        EXPECT_EQ(e.Kind, c.kind) << c.entry;
        EXPECT_EQ(e.ProductName, QString::fromUtf8(c.name)) << c.entry;
    }
}
