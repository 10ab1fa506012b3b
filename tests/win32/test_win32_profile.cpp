// Nubrel.ini through kernel32's profile functions: the settings the program
// reads and writes through them are those its own INI module gives for the
// files users have, Japanese text included.
#include "ProgramFolder.h"
#include "TestText.h"
#include "config/basNbComIni.h"
#include "frontend/win32/Win32Profile.h"
#include "platform/Cp932.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <charconv>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <vector>
#include <windows.h>

namespace {
std::u16string s(const char *utf8)
{
    return Utf::fromUtf8(utf8);
}

// A volume with short names switched off: the folder keeps its long name.
std::wstring noShortName(const std::wstring &folder)
{
    return folder;
}

// The folder of this test program, where the build puts its helpers too.
std::wstring testFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring whole(path, n);
    return whole.substr(0, whole.find_last_of(L"\\/") + 1);
}

struct Readers {
    explicit Readers(const std::u16string &folder,
                     Win32Profile::ShortName shortName = &Win32Profile::systemShortName)
        : profile(shortName), own(folder), system(folder)
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
        {"hexadecimal", "[NUBREL]\r\nSTATE=0x3\r\n", "STATE"},
        {"octal", "[NUBREL]\r\nSTATE=0o7\r\n", "STATE"},
        {"binary", "[NUBREL]\r\nSTATE=0b1\r\n", "STATE"},
        {"plus sign", "[NUBREL]\r\nSTATE=+5\r\n", "STATE"},
        {"blank inside quotes", "[NUBREL]\r\nSTATE=\" 7\"\r\n", "STATE"},
        {"65536", "[NUBREL]\r\nSTATE=65536\r\n", "STATE"},
        {"-32769", "[NUBREL]\r\nSTATE=-32769\r\n", "STATE"},
        {"16-bit edges", "[NUBREL]\r\nSTATE=-32768\r\n", "STATE"},
        {"wraps at 32 bits", "[NUBREL]\r\nSTATE=4294967299\r\n", "STATE"},
        {"a sign alone", "[NUBREL]\r\nSTATE=-\r\n", "STATE"},
        {"digits past byte 255", "[NUBREL]\r\nSTATE=" + std::string(300, '0') + "5\r\n", "STATE"},
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
}

TEST(Win32Profile, KeepsTheSettingsInAFolderTheCodePageCannotSpell)
{
    // By the folder's short name where the volume gives one; where it gives
    // none, through the program's own module over the W file functions.
    ProgramFolder folder;
    const char *names[] = {"Ωδή", "설정", "ตั้งค่า", "電話📞"};
    const struct {
        const char *what;
        Win32Profile::ShortName shortName;
    } volumes[] = {{"short names", &Win32Profile::systemShortName},
                   {"no short names", &noShortName}};
    int n = 0;
    for (const auto &v : volumes) {
        for (const char *name : names) {
            const std::u16string odd = folder.path() + u"/"s + Text::number(n++) + s(name);
            ASSERT_TRUE(makeFolder(odd)) << name;
            const Readers r(odd, v.shortName);
            const std::string where = std::string(v.what) + ", " + name;
            ASSERT_EQ(r.system.PutIniString(u"NUBREL"s, u"FONT"s, s("ＭＳ Ｐゴシック")), 1)
                << where;
            ASSERT_EQ(r.system.PutIniString(u"ENV"s, u"TIMER"s, u"5"s), 1) << where;
            EXPECT_EQ(r.own.GetIniString(u"NUBREL"s, u"FONT"s, u""s), s("ＭＳ Ｐゴシック"))
                << where;
            EXPECT_EQ(r.own.GetIniInt(u"ENV"s, u"TIMER"s, 0), 5) << where;
            ASSERT_EQ(r.own.PutIniString(u"ENV"s, u"COMPORT"s, u"0x3"s), 1) << where;
            EXPECT_EQ(r.system.GetIniInt(u"ENV"s, u"COMPORT"s, 2), 0) << where;
            EXPECT_EQ(r.system.GetIniString(u"NUBREL"s, u"FONT"s, u""s), s("ＭＳ Ｐゴシック"))
                << where;
            EXPECT_EQ(fileNames(odd), std::vector<std::u16string>{u"Nubrel.ini"s}) << where;
        }
    }
}

TEST(Win32Profile, TheShippedFileReadsAsThroughTheOwnModule)
{
    const std::u16string resources = Utf::fromUtf8(NUBREL_SHIPPED_INI_FOLDER);
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

// A writer ended by TerminateProcess at random moments while shut-down's
// writes go on, the file large enough for a write to take a while. Every time
// the file must be one the writer meant to leave: the start, or the start
// with one of the values written, never a mix or a short file.
TEST(Win32Profile, TerminateProcessDuringWritesLeavesTheOldOrTheNewFile)
{
    ProgramFolder folder;
    const std::string padding(512 * 1024, 'p');
    const std::string start = "[ENV]\r\nTIMER=5\r\n[NUBREL]\r\nPAD=" + padding + "\r\nGEN=0\r\n";
    folder.writeBytes(u"Nubrel.ini"s, start);
    const auto fileFor = [&](long generation) {
        std::string bytes = start;
        bytes.replace(bytes.find("GEN=0"), 5, "GEN=" + std::to_string(generation));
        return bytes;
    };
    std::wstring folderPath;
    for (const char16_t c : folder.path())
        folderPath += c == u'/' ? L'\\' : static_cast<wchar_t>(c);
    const std::wstring writer = testFolder() + L"nubrel_profile_writer.exe";

    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<DWORD> pause(50, 600);
    constexpr int Rounds = 40;
    int strays = 0; // temporary files a kill left behind
    long lastGeneration = 0;
    for (int round = 0; round < Rounds; ++round) {
        std::wstring line =
            L"\"" + writer + L"\" \"" + folderPath + L"\" " + std::to_wstring(lastGeneration + 1);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(CreateProcessW(writer.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &child))
            << GetLastError();
        CloseHandle(child.hThread);
        // Anywhere from before the first write to several writes in.
        Sleep(pause(random));
        EXPECT_TRUE(TerminateProcess(child.hProcess, 9));
        EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(child.hProcess, &code);
        CloseHandle(child.hProcess);
        ASSERT_EQ(code, 9u) << "the writer ended by itself";

        const std::string now = folder.readBytes(u"Nubrel.ini"s);
        const std::size_t at = now.rfind("GEN=");
        ASSERT_NE(at, std::string::npos) << "round " << round << ": " << now.size() << " bytes";
        long generation = 0;
        const std::string_view digits = Text::trimmedBytes(std::string_view(now).substr(at + 4));
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), generation);
        ASSERT_TRUE(error == std::errc() && end == digits.data() + digits.size())
            << "round " << round;
        ASSERT_GE(generation, lastGeneration);
        ASSERT_TRUE(now == fileFor(generation))
            << "round " << round << ": a broken file of " << now.size() << " bytes";
        lastGeneration = generation;

        std::vector<std::u16string> names = fileNames(folder.path());
        std::erase(names, u"Nubrel.ini"s);
        strays += static_cast<int>(names.size());
        for (const std::u16string &name : names)
            removeFile(folder.file(name));
    }
    std::cout << "[ measure  ] " << Rounds << " kills, " << lastGeneration << " writes in all, "
              << strays << " stray temporary files" << std::endl;
    EXPECT_GT(lastGeneration, 0) << "the writer never completed a write";
}
