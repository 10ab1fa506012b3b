// Nubrel.ini through kernel32's profile functions: the settings the program
// reads and writes through them are those its own INI module gives for the
// files users have, Japanese text included.
#include "ProgramFolder.h"
#include "TestText.h"
#include "config/basNbComIni.h"
#include "frontend/win32/Win32Profile.h"
#include "platform/Cp932.h"
#include "text/Utf.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {
std::u16string s(const char *utf8)
{
    return Utf::fromUtf8(utf8);
}

struct Readers {
    explicit Readers(const std::u16string &folder) : own(folder), system(folder)
    {
        system.setProfile(&profile);
    }
    Win32Profile profile;
    basNbComIni own;
    basNbComIni system;
};
} // namespace

TEST(Win32Profile, ReadsWhatTheProgramsOwnModuleReads)
{
    ProgramFolder folder;
    const Readers r(folder.path());
    const std::u16string a253(253, u'a');
    const struct {
        const char *what;
        std::string bytes;
        const char *key;
    } cases[] = {
        {"Japanese value", Cp932::encode(s("[NUBREL]\r\nFONT=ＭＳ Ｐゴシック\r\n")), "FONT"},
        {"case-blind names", Cp932::encode(s("[nubrel]\r\nfont=IPAPGothic\r\n")), "FONT"},
        {"blanks around", Cp932::encode(s("[NUBREL]\r\n  FONT  =  x y  \r\n")), "FONT"},
        {"quoted", Cp932::encode(s("[NUBREL]\r\nFONT=\"ＭＳ ゴシック\"\r\n")), "FONT"},
        {"LF only, no final line end", Cp932::encode(s("[NUBREL]\nFONT=番号")), "FONT"},
        {"a pair ending at byte 255", Cp932::encode(s("[NUBREL]\r\nFONT=") + a253 + s("番号")),
         "FONT"},
        {"a pair straddling byte 255", Cp932::encode(s("[NUBREL]\r\nFONT=a") + a253 + s("番号")),
         "FONT"},
        {"empty value gives the default", Cp932::encode(s("[NUBREL]\r\nFONT=\r\n")), "FONT"},
        {"missing key", Cp932::encode(s("[NUBREL]\r\nSTATE=1\r\n")), "FONT"},
        {"16-bit numbers", Cp932::encode(s("[NUBREL]\r\nSTATE=-2\r\n")), "STATE"},
        {"leading number", Cp932::encode(s("[NUBREL]\r\nSTATE=12abc\r\n")), "STATE"},
        {"beyond 16 bits", Cp932::encode(s("[NUBREL]\r\nSTATE=99999\r\n")), "STATE"},
    };
    for (const auto &c : cases) {
        folder.writeBytes(u"Nubrel.ini"s, c.bytes);
        const std::u16string key = s(c.key);
        EXPECT_EQ(r.system.GetIniString(u"NUBREL"s, key, u"既定"s),
                  r.own.GetIniString(u"NUBREL"s, key, u"既定"s))
            << c.what;
        EXPECT_EQ(r.system.GetIniInt(u"NUBREL"s, key, 7), r.own.GetIniInt(u"NUBREL"s, key, 7))
            << c.what;
    }
}

TEST(Win32Profile, WritesCp932TheProgramReadsBack)
{
    ProgramFolder folder;
    const Readers r(folder.path());
    ASSERT_EQ(r.system.PutIniString(u"NUBREL"s, u"FONT"s, s("ＭＳ Ｐゴシック")), 1)
        << "a missing file is made";
    ASSERT_EQ(r.system.PutIniString(u"ENV"s, u"COMSPEED"s, u"9600,N,8,1"s), 1);
    ASSERT_EQ(r.system.PutIniString(u"NUBREL"s, u"STATE"s, u"2"s), 1);
    const std::string bytes = folder.readBytes(u"Nubrel.ini"s);
    EXPECT_NE(bytes.find(Cp932::encode(s("FONT=ＭＳ Ｐゴシック\r\n"))), std::string::npos) << bytes;
    EXPECT_EQ(r.own.GetIniString(u"NUBREL"s, u"FONT"s, u""s), s("ＭＳ Ｐゴシック"));
    EXPECT_EQ(r.own.GetIniString(u"ENV"s, u"COMSPEED"s, u""s), u"9600,N,8,1"s);
    EXPECT_EQ(r.system.GetIniInt(u"NUBREL"s, u"STATE"s, 0), 2);

    // In a folder the system's code page cannot spell, by its short name.
    const std::u16string odd = folder.path() + s("/Ωδή");
    ASSERT_TRUE(makeFolder(odd));
    const Readers inOdd(odd);
    ASSERT_EQ(inOdd.system.PutIniString(u"ENV"s, u"TIMER"s, u"5"s), 1);
    EXPECT_EQ(inOdd.own.GetIniInt(u"ENV"s, u"TIMER"s, 0), 5);
}

TEST(Win32Profile, TheShippedFileReadsAsThroughTheOwnModule)
{
    const std::u16string resources =
        std::filesystem::absolute(__FILE__).parent_path().u16string() + u"/../../resources"s;
    const Readers r(resources);
    const int count = r.system.GetIniInt(u"NUBREL"s, u"PRODUCTSLISTCNT"s, 0);
    ASSERT_GE(count, 2);
    for (int n = 0; n < count; ++n) {
        const std::u16string key = u"PRODUCTSLIST"s + Utf::fromUtf8(std::to_string(n));
        EXPECT_EQ(r.system.GetIniString(u"NUBREL"s, key, u""s),
                  r.own.GetIniString(u"NUBREL"s, key, u""s))
            << n;
    }
}
