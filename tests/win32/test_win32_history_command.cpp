// The history command on Windows: a file the system keeps hidden or for
// itself is no history to show, and the editor gets the path as Windows
// spells it.
#include "ControllerRig.h"
#include "ProgramFolder.h"
#include "TestText.h"
#include "frontend/win32/Win32Launcher.h"
#include "frontend/win32/Win32Text.h"
#include "platform/Files.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <windows.h>

#include <shellapi.h>

namespace {
const std::u16string History = u"着信履歴.TXT"s;

// The folder of this test program, where the build puts its helper too.
std::wstring testFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring whole(path, n);
    return whole.substr(0, whole.find_last_of(L"\\/") + 1);
}
} // namespace

TEST(mnuHistryOnWindows, AHiddenOrSystemFileIsAsGoodAsMissing)
{
    const struct {
        DWORD attributes;
        bool opened;
    } cases[] = {
        {FILE_ATTRIBUTE_NORMAL, true},
        {FILE_ATTRIBUTE_READONLY, true},
        {FILE_ATTRIBUTE_SYSTEM, false},
        {FILE_ATTRIBUTE_HIDDEN, false},
        {FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, false},
    };
    for (const auto &c : cases) {
        ControllerRig r;
        r.c.Form_Load();
        r.folder.writeBytes(History, "2026/12/07,09:00:00,0312\r\n");
        const std::u16string path = r.folder.file(History);
        const std::wstring native = toWide(Files::toNativeSeparators(path));
        ASSERT_TRUE(SetFileAttributesW(native.c_str(), c.attributes)) << c.attributes;
        const DWORD kept = c.attributes & ~FILE_ATTRIBUTE_NORMAL; // alone, it means none
        ASSERT_EQ(GetFileAttributesW(native.c_str()) & kept, kept)
            << "the file system keeps the attributes";
        r.c.mnuHistry_Click();
        EXPECT_EQ(r.p.launcher.m_textFiles.size(), c.opened ? 1u : 0u) << c.attributes;
        if (c.opened) {
            EXPECT_TRUE(r.p.prompts.m_messages.empty()) << c.attributes;
        } else {
            ASSERT_EQ(r.p.prompts.m_messages.size(), 1u) << c.attributes;
            EXPECT_EQ(r.p.prompts.m_messages[0].text,
                      u"ＶＯＲＤＥＫにて、\r"s + Files::toNativeSeparators(path) +
                          u"を見つけられないので、表示できませんでした。"s);
        }
        SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(Win32Launcher, TheEditorGetsThePathWithBackslashesAsOneArgument)
{
    ProgramFolder folder;
    const std::u16string sub = folder.path() + u"/履歴 の フォルダ"s;
    ASSERT_TRUE(makeFolder(sub));
    const std::u16string path = sub + u"/"s + History;
    const std::wstring echo = toWide(Files::toNativeSeparators(folder.path() + u"/echo"s));
    ASSERT_TRUE(SetEnvironmentVariableW(L"NUBREL_ECHO_FILE", echo.c_str()));

    Win32Launcher launcher;
    launcher.setTextEditor(testFolder() + L"nubrel_command_line_echo.exe");
    ASSERT_TRUE(launcher.openTextFile(path, {}));
    SetEnvironmentVariableW(L"NUBREL_ECHO_FILE", nullptr);

    // The editor is not waited for: its record of the command line is.
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Files::read(folder.path() + u"/echo"s, bytes) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(bytes.empty()) << "the editor was not started";
    const std::wstring line(reinterpret_cast<const wchar_t *>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(argv, nullptr);
    const std::vector<std::wstring> arguments(argv, argv + count);
    LocalFree(argv);
    ASSERT_EQ(arguments.size(), 2u);
    EXPECT_EQ(arguments[1], toWide(Files::toNativeSeparators(path)));
    EXPECT_EQ(arguments[1].find(L'/'), std::wstring::npos);
}
