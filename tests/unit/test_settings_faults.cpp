// The settings file as the disk may leave it: cut inside a double-byte
// character, a line of a mebibyte, and a writer killed at any moment.
#include "ProgramFolder.h"
#include "config/basNbComIni.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString Ini = QStringLiteral("Nubrel.ini");
const QString NUBREL = QStringLiteral("NUBREL");
const QString ENV = QStringLiteral("ENV");

QByteArray sjis(const char *utf8)
{
    return Cp932::encode(QString::fromUtf8(utf8));
}
} // namespace

TEST(SettingsFaults, FileCutInsideADoubleByteCharacterReadsAndKeepsItsBytes)
{
    ProgramFolder folder;
    // "モデム" is six bytes; the file ends after the lead byte of the last one.
    const QByteArray whole = "[ENV]\r\nTIMER=5\r\n[NUBREL]\r\nPRODUCTSLIST0=0," + sjis("モデム");
    const QByteArray cut = whole.left(whole.size() - 1);
    folder.writeBytes(Ini, cut);
    const basNbComIni ini(folder.path());

    EXPECT_EQ(ini.GetIniInt(ENV, QStringLiteral("TIMER"), 0), 5);
    const QString value = ini.GetIniString(NUBREL, QStringLiteral("PRODUCTSLIST0"), QString());
    EXPECT_TRUE(value.startsWith(QString::fromUtf8("0,モデ"))) << value.toStdString();
    EXPECT_LE(value.size(), 6);

    // Writing another key leaves the broken line's bytes exactly as they were.
    ASSERT_NE(ini.PutIniString(ENV, QStringLiteral("TIMER"), QStringLiteral("7")), 0);
    const QByteArray after = folder.readBytes(Ini);
    EXPECT_TRUE(after.contains(cut.mid(cut.indexOf("PRODUCTSLIST0")))) << after.toHex().constData();
    EXPECT_EQ(ini.GetIniInt(ENV, QStringLiteral("TIMER"), 0), 7);

    // A lead byte right before the line break must not swallow the break.
    const QByteArray leadAtEnd = "[ENV]\r\nCOMSPEED=96\x82\r\nTIMER=3\r\n";
    folder.writeBytes(Ini, leadAtEnd);
    EXPECT_EQ(ini.GetIniInt(ENV, QStringLiteral("TIMER"), 0), 3);
}

TEST(SettingsFaults, AMebibyteLineIsCutOnReadAndKeptWholeOnWrite)
{
    ProgramFolder folder;
    const QByteArray huge(1 << 20, 'x');
    const QByteArray noKey(1 << 20, '\x82'); // lead bytes only, no "=" at all
    const QByteArray bytes =
        "[ENV]\r\nCOMSPEED=" + huge + "\r\n" + noKey + "\r\nTIMER=4\r\n[NUBREL]\r\nSTATE=1\r\n";
    folder.writeBytes(Ini, bytes);
    const basNbComIni ini(folder.path());

    EXPECT_EQ(ini.GetIniString(ENV, QStringLiteral("COMSPEED"), QString()), QString(255, u'x'));
    EXPECT_EQ(ini.GetIniInt(ENV, QStringLiteral("TIMER"), 0), 4);
    EXPECT_EQ(ini.GetIniInt(NUBREL, QStringLiteral("STATE"), 0), 1);

    ASSERT_NE(ini.PutIniString(NUBREL, QStringLiteral("STATE"), QStringLiteral("2")), 0);
    QByteArray expected = bytes;
    expected.replace("STATE=1", "STATE=2");
    EXPECT_TRUE(folder.readBytes(Ini) == expected);
}

// The writer is killed with SIGKILL at random moments while it rewrites a
// settings file large enough for a write to take a while. Every time, the file
// must be one the writer meant to leave: the start, or the start with one of
// the values written, never a mix or a short file.
TEST(SettingsFaults, KillNineDuringAWriteLeavesTheOldOrTheNewFile)
{
    ProgramFolder folder;
    const QByteArray padding(512 * 1024, 'p');
    const QByteArray start = "[ENV]\r\nTIMER=5\r\n[NUBREL]\r\nPAD=" + padding + "\r\nGEN=0\r\n";
    folder.writeBytes(Ini, start);
    const auto fileFor = [&](long generation) {
        QByteArray bytes = start;
        bytes.replace("GEN=0", "GEN=" + QByteArray::number(static_cast<qlonglong>(generation)));
        return bytes;
    };

    constexpr int Rounds = 60;
    int killedMidWrite = 0; // temporary files a kill left behind
    long lastGeneration = 0;
    for (int round = 0; round < Rounds; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const basNbComIni ini(folder.path());
            for (long g = lastGeneration + 1;; ++g)
                ini.PutIniString(NUBREL, QStringLiteral("GEN"), QString::number(g));
        }
        // Anywhere from before the first write to several writes in.
        ::usleep(static_cast<useconds_t>(QRandomGenerator::global()->bounded(1000, 40000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const QByteArray now = folder.readBytes(Ini);
        const int at = now.lastIndexOf("GEN=");
        ASSERT_GE(at, 0) << "round " << round << ": " << now.size() << " bytes";
        bool ok = false;
        const long generation = now.mid(at + 4).trimmed().toLong(&ok);
        ASSERT_TRUE(ok) << "round " << round;
        ASSERT_GE(generation, lastGeneration);
        ASSERT_TRUE(now == fileFor(generation)) << "round " << round << ": a broken file";
        lastGeneration = generation;

        // A kill inside a write leaves its temporary file behind, never the settings.
        QStringList strays = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        strays.removeAll(Ini);
        killedMidWrite += static_cast<int>(strays.size());
        for (const QString &stray : strays)
            QFile::remove(folder.file(stray));
    }
    std::cout << "[ measure  ] " << Rounds << " kills, " << lastGeneration << " writes in all, "
              << killedMidWrite << " stray temporary files" << std::endl;
    EXPECT_GT(lastGeneration, 0) << "the writer never completed a write";
}
