// Where the program keeps its files: beside itself when it can write there,
// else in the user's own data folder, seeded from the shipped settings file.
#include "ProgramFolder.h"
#include "RigProfile.h"
#include "TestText.h"
#include "app/DataFolder.h"
#include "app/MainController.h"
#include "config/basNbComIni.h"
#include "platform/Cp932.h"
#include "platform/Files.h"

#include "Fakes.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const std::u16string Ini = u"Nubrel.ini";

// A folder where no file can be made, also for root and on Windows: the
// probe's own name is taken by a folder.
void refuseWrites(const ProgramFolder &folder)
{
    ASSERT_TRUE(makeFolder(folder.file(DataFolder::ProbeName)));
}

const std::u16string FirstShipped = u"[ENV]\n"
                                    u"COMPORT=2\n"
                                    u"[NUBREL]\n"
                                    u"PRODUCTSLISTCNT=2\n"
                                    u"PRODUCTSLIST0=0,0,モデム\n"
                                    u"PRODUCTSLIST1=1,1,ＴＡ\n";
// What a newer program ships: one product more.
const std::u16string Shipped = u"[ENV]\n"
                               u"COMPORT=2\n"
                               u"[NUBREL]\n"
                               u"PRODUCTSLISTCNT=3\n"
                               u"PRODUCTSLIST0=0,0,モデム\n"
                               u"PRODUCTSLIST1=1,1,ＴＡ\n"
                               u"PRODUCTSLIST2=2,1,新しいＴＡ\n";

} // namespace

TEST(DataFolder, AWritableProgramFolderKeepsEverythingAndLeavesNoProbe)
{
    ProgramFolder program;
    ProgramFolder home;
    program.writeIni(Shipped);
    const std::vector<std::u16string> before = fileNames(program.path());

    const DataFolder folders = DataFolder::choose(program.path(), home.path() + u"/share");
    EXPECT_EQ(folders.path(), program.path());
    EXPECT_EQ(folders.programFolder(), program.path());
    EXPECT_FALSE(folders.failed());
    EXPECT_EQ(fileNames(program.path()), before);
    EXPECT_FALSE(Files::exists(home.path() + u"/share")) << "nothing made for the user";
}

TEST(DataFolder, AReadOnlyProgramFolderGetsTheUsersFolderSeededOnceAndMergedAfter)
{
    ProgramFolder program;
    ProgramFolder home;
    program.writeIni(FirstShipped);
    const std::string firstShipped = program.readBytes(Ini);
    refuseWrites(program);
    const std::u16string own = home.path() + u"/a/b/Nubrel";

    // First start: made with its parents, given the shipped file as it is.
    const DataFolder first = DataFolder::choose(program.path(), home.path() + u"/a/b");
    EXPECT_EQ(first.path(), own);
    EXPECT_EQ(first.programFolder(), program.path());
    EXPECT_FALSE(first.failed());
    std::string copied;
    ASSERT_TRUE(Files::read(own + u"/Nubrel.ini", copied));
    EXPECT_EQ(copied, firstShipped);
    EXPECT_EQ(fileNames(own), std::vector<std::u16string>{Ini}) << "no probe left behind";

    // The user changes a setting and a product's name.
    const basNbComIni users(own);
    ASSERT_NE(users.PutIniString(u"ENV", u"COMPORT", u"5"), 0);
    ASSERT_NE(users.PutIniString(u"NUBREL", u"PRODUCTSLIST1", u"1,1,うちのＴＡ"), 0);
    std::string changed;
    ASSERT_TRUE(Files::read(own + u"/Nubrel.ini", changed));

    // Second start, same program: nothing copied over the user's file.
    DataFolder::choose(program.path(), home.path() + u"/a/b");
    std::string again;
    ASSERT_TRUE(Files::read(own + u"/Nubrel.ini", again));
    EXPECT_EQ(again, changed);

    // A newer program ships a third product: added; the user's keys stay.
    removeFolder(program.file(DataFolder::ProbeName));
    program.writeIni(Shipped);
    refuseWrites(program);
    DataFolder::choose(program.path(), home.path() + u"/a/b");
    EXPECT_EQ(users.GetIniString(u"ENV", u"COMPORT", {}), u"5");
    EXPECT_EQ(users.GetIniString(u"NUBREL", u"PRODUCTSLIST1", {}), u"1,1,うちのＴＡ");
    EXPECT_EQ(users.GetIniString(u"NUBREL", u"PRODUCTSLIST2", {}), u"2,1,新しいＴＡ");
    EXPECT_EQ(users.GetIniInt(u"NUBREL", u"PRODUCTSLISTCNT", 0), 3);
}

TEST(DataFolder, WhereNoUsersFolderCanBeMadeTheProgramFolderStaysAndSaysWhich)
{
    ProgramFolder program;
    ProgramFolder home;
    refuseWrites(program);
    home.writeBytes(u"file", "x");
    struct Case {
        std::u16string dataHome;
        std::u16string unusable;
    } cases[] = {
        {home.file(u"file"), home.file(u"file") + u"/Nubrel"}, // a file where a folder must go
        {home.file(u"file") + u"/deeper", home.file(u"file") + u"/deeper/Nubrel"},
        {u"", u""}, // the system names no folder
    };
    for (const Case &c : cases) {
        const DataFolder folders = DataFolder::choose(program.path(), c.dataHome);
        EXPECT_TRUE(folders.failed()) << utf8(c.dataHome);
        EXPECT_EQ(folders.path(), program.path());
        EXPECT_EQ(folders.unusable(), c.unusable);
    }
    // A program folder under a file is no place to write either.
    EXPECT_FALSE(DataFolder::writable(home.file(u"file") + u"/program"));
}

#ifndef _WIN32
TEST(UserDataHome, IsXdgDataHomeWhenAbsoluteElseUnderHome)
{
    const char *savedXdg = std::getenv("XDG_DATA_HOME");
    const char *savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    const std::string home = savedHome ? savedHome : "";
    struct Case {
        const char *xdg; // null: unset
        const char *home;
        std::u16string expected;
    } cases[] = {
        {"/data/ユーザー", "/home/u", u"/data/ユーザー"},
        {nullptr, "/home/u", u"/home/u/.local/share"},
        {"", "/home/u/", u"/home/u/.local/share"},
        {"relative/share", "/home/u", u"/home/u/.local/share"},
    };
    for (const Case &c : cases) {
        if (c.xdg)
            setenv("XDG_DATA_HOME", c.xdg, 1);
        else
            unsetenv("XDG_DATA_HOME");
        setenv("HOME", c.home, 1);
        EXPECT_EQ(Files::userDataHome(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
    if (savedXdg)
        setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    setenv("HOME", home.c_str(), 1);
}
#else
TEST(UserDataHome, IsTheLocalApplicationDataFolder)
{
    const wchar_t *local = _wgetenv(L"LOCALAPPDATA");
    ASSERT_NE(local, nullptr);
    const std::u16string expected(reinterpret_cast<const char16_t *>(local));
    EXPECT_EQ(Files::toNativeSeparators(Files::userDataHome()), expected);
}
#endif

// The controller on a read-only program folder: the settings come from and
// go to the user's folder, the manual from the program folder.
TEST(DataFolder, TheControllerReadsAndWritesTheUsersFolderOnly)
{
    ProgramFolder program;
    ProgramFolder home;
    program.writeIni(u"[ENV]\nTIMER=7\n");
    program.writeBytes(u"説明書.html", "<html></html>");
    refuseWrites(program);
    const std::vector<std::u16string> before = fileNames(program.path());
    FakePlatform p;
    const DataFolder folders = DataFolder::choose(program.path(), home.path());
    const std::u16string own = home.path() + u"/Nubrel";
    ASSERT_EQ(folders.path(), own);
    {
        MainController c{PlatformParts{p.view, p.tip, p.timer, p.port, p.tray, p.prompts,
                                       p.launcher, p.notifier, p.clock, folders}};
        c.setDialogs(p.dialogs);
        if (const Profile *profile = rigProfile())
            c.useProfile(*profile);
        c.Form_Load();
        EXPECT_EQ(p.timer.m_interval, 7000);
        EXPECT_TRUE(p.prompts.m_messages.empty());
        c.mnuMnual_Click();
        EXPECT_EQ(p.dialogs.m_manuals, std::vector<std::u16string>{program.file(u"説明書.html")});
        c.mnuHistry_Click();
        ASSERT_EQ(p.prompts.m_messages.size(), 1u);
        EXPECT_NE(
            p.prompts.m_messages[0].text.find(Files::toNativeSeparators(own + u"/着信履歴.TXT")),
            std::u16string::npos);
        c.Form_Unload();
    }
    const basNbComIni users(own);
    EXPECT_NE(users.GetIniString(u"NUBREL", u"FONTSIZE", {}), u"") << "settings written at exit";
    EXPECT_EQ(fileNames(program.path()), before) << "nothing written beside the program";
}

TEST(DataFolder, TheControllerSaysOnceAtStartWhenNothingCanBeKept)
{
    ProgramFolder program;
    ProgramFolder home;
    refuseWrites(program);
    home.writeBytes(u"file", "x");
    FakePlatform p;
    const DataFolder folders = DataFolder::choose(program.path(), home.file(u"file"));
    MainController c{PlatformParts{p.view, p.tip, p.timer, p.port, p.tray, p.prompts, p.launcher,
                                   p.notifier, p.clock, folders}};
    c.setDialogs(p.dialogs);
    c.Form_Load();
    ASSERT_EQ(p.prompts.m_messages.size(), 1u);
    EXPECT_EQ(p.prompts.m_messages[0].text,
              u"ＶＯＲＤＥＫにて、\r" + Files::toNativeSeparators(home.file(u"file") + u"/Nubrel") +
                  u"に書き込めないので、設定と着信履歴を保存できません。");
    EXPECT_EQ(p.prompts.m_messages[0].icon, MessageIcon::Exclamation);
    c.Form_Unload();
    EXPECT_EQ(p.prompts.m_messages.size(), 1u);
}
