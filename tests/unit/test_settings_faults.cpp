// The settings file as the disk may leave it: cut inside a double-byte
// character, a line of a mebibyte, and a writer killed at any moment.
#include "ProgramFolder.h"
#include "RigProfile.h"
#include "config/basNbComIni.h"
#include "platform/Cp932.h"

#include "TestText.h"
#include "text/Text.h"
#include "text/Utf.h"
#include <csignal>

#include <charconv>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {
const std::u16string Ini = u"Nubrel.ini"s;
const std::u16string NUBREL = u"NUBREL"s;
const std::u16string ENV = u"ENV"s;

std::string sjis(const char *utf8)
{
    return Cp932::encode(Utf::fromUtf8(utf8));
}
} // namespace

TEST(SettingsFaults, FileCutInsideADoubleByteCharacterReadsAndKeepsItsBytes)
{
    ProgramFolder folder;
    // "モデム" is six bytes; the file ends after the lead byte of the last one.
    const std::string whole = "[ENV]\r\nTIMER=5\r\n[NUBREL]\r\nPRODUCTSLIST0=0," + sjis("モデム");
    const std::string cut = whole.substr(0, whole.size() - 1);
    folder.writeBytes(Ini, cut);
    basNbComIni ini(folder.path());
    ini.setProfile(rigProfile());

    EXPECT_EQ(ini.GetIniInt(ENV, u"TIMER"s, 0), 5);
    const std::u16string value = ini.GetIniString(NUBREL, u"PRODUCTSLIST0"s, std::u16string());
    EXPECT_TRUE(value.starts_with(Utf::fromUtf8("0,モデ"))) << utf8(value);
    EXPECT_LE(value.size(), 6u);

    // Writing another key leaves the broken line's bytes exactly as they were.
    ASSERT_NE(ini.PutIniString(ENV, u"TIMER"s, u"7"s), 0);
    const std::string after = folder.readBytes(Ini);
    EXPECT_TRUE(contains(after, cut.substr(cut.find("PRODUCTSLIST0")))) << hex(after);
    EXPECT_EQ(ini.GetIniInt(ENV, u"TIMER"s, 0), 7);

    // A lead byte right before the line break must not swallow the break.
    const std::string leadAtEnd = "[ENV]\r\nCOMSPEED=96\x82\r\nTIMER=3\r\n";
    folder.writeBytes(Ini, leadAtEnd);
    EXPECT_EQ(ini.GetIniInt(ENV, u"TIMER"s, 0), 3);
}

TEST(SettingsFaults, AMebibyteLineIsCutOnReadAndKeptWholeOnWrite)
{
    ProgramFolder folder;
    const std::string huge(1 << 20, 'x');
    const std::string noKey(1 << 20, '\x82'); // lead bytes only, no "=" at all
    const std::string bytes =
        "[ENV]\r\nCOMSPEED=" + huge + "\r\n" + noKey + "\r\nTIMER=4\r\n[NUBREL]\r\nSTATE=1\r\n";
    folder.writeBytes(Ini, bytes);
    basNbComIni ini(folder.path());
    ini.setProfile(rigProfile());

    EXPECT_EQ(ini.GetIniString(ENV, u"COMSPEED"s, std::u16string()), std::u16string(255, u'x'));
    EXPECT_EQ(ini.GetIniInt(ENV, u"TIMER"s, 0), 4);
    EXPECT_EQ(ini.GetIniInt(NUBREL, u"STATE"s, 0), 1);

    ASSERT_NE(ini.PutIniString(NUBREL, u"STATE"s, u"2"s), 0);
    std::string expected = bytes;
    expected.replace(expected.find("STATE=1"), 7, "STATE=2");
    EXPECT_TRUE(folder.readBytes(Ini) == expected);
}

// The writer is killed with SIGKILL at random moments while it rewrites a
// settings file large enough for a write to take a while. Every time, the file
// must be one the writer meant to leave: the start, or the start with one of
// the values written, never a mix or a short file.
#ifndef _WIN32
// A child killed in the middle of a write: POSIX only.
TEST(SettingsFaults, KillNineDuringAWriteLeavesTheOldOrTheNewFile)
{
    ProgramFolder folder;
    const std::string padding(512 * 1024, 'p');
    const std::string start = "[ENV]\r\nTIMER=5\r\n[NUBREL]\r\nPAD=" + padding + "\r\nGEN=0\r\n";
    folder.writeBytes(Ini, start);
    const auto fileFor = [&](long generation) {
        std::string bytes = start;
        bytes.replace(bytes.find("GEN=0"), 5, "GEN=" + std::to_string(generation));
        return bytes;
    };

    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> pause(1000, 39999);
    constexpr int Rounds = 60;
    int killedMidWrite = 0; // temporary files a kill left behind
    long lastGeneration = 0;
    for (int round = 0; round < Rounds; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const basNbComIni ini(folder.path());
            for (long g = lastGeneration + 1;; ++g)
                ini.PutIniString(NUBREL, u"GEN"s, Text::number(g));
        }
        // Anywhere from before the first write to several writes in.
        ::usleep(static_cast<useconds_t>(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::string now = folder.readBytes(Ini);
        const std::size_t at = now.rfind("GEN=");
        ASSERT_NE(at, std::string::npos) << "round " << round << ": " << now.size() << " bytes";
        long generation = 0;
        const std::string_view digits = Text::trimmedBytes(std::string_view(now).substr(at + 4));
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), generation);
        ASSERT_TRUE(error == std::errc() && end == digits.data() + digits.size())
            << "round " << round;
        ASSERT_GE(generation, lastGeneration);
        ASSERT_TRUE(now == fileFor(generation)) << "round " << round << ": a broken file";
        lastGeneration = generation;

        // A kill inside a write leaves its temporary file behind, never the settings.
        std::vector<std::u16string> strays = fileNames(folder.path());
        std::erase(strays, Ini);
        killedMidWrite += static_cast<int>(strays.size());
        for (const std::u16string &stray : strays)
            removeFile(folder.file(stray));
    }
    std::cout << "[ measure  ] " << Rounds << " kills, " << lastGeneration << " writes in all, "
              << killedMidWrite << " stray temporary files" << std::endl;
    EXPECT_GT(lastGeneration, 0) << "the writer never completed a write";
}
#endif
