// A program run in the background gets every argument whole, as its C runtime
// splits its command line, and its end arrives through the message loop.
#include "ProgramFolder.h"
#include "TestText.h"
#include "frontend/win32/Win32Launcher.h"
#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32Text.h"
#include "platform/Files.h"
#include "text/Utf.h"

#include <chrono>
#include <gtest/gtest.h>
#include <windows.h>

namespace {
// The folder of this test program, where the build puts its helpers too.
std::wstring testFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring whole(path, n);
    return whole.substr(0, whole.find_last_of(L"\\/") + 1);
}

std::wstring windowsPath(const std::u16string &path)
{
    return toWide(Files::toNativeSeparators(path));
}
} // namespace

TEST(Win32Launcher, RunProgramPassesEveryArgumentWholeAndEndsThroughTheMessageLoop)
{
    ProgramFolder folder;
    // The program itself in a folder whose name has a blank and Japanese.
    const std::u16string programFolder = folder.file(Utf::fromUtf8("呼出 プログラム"));
    ASSERT_TRUE(makeFolder(programFolder));
    const std::u16string program = programFolder + Utf::fromUtf8("/argv echo.exe");
    ASSERT_TRUE(CopyFileW((testFolder() + L"nubrel_argv_echo.exe").c_str(),
                          windowsPath(program).c_str(), TRUE))
        << GetLastError();

    const std::vector<std::u16string> arguments = {
        u"two words"s,
        u"say \"hi\""s,
        u"\""s,
        u"C:\\folder\\"s,
        u"C:\\folder with blanks\\"s,
        u"\\\\server\\share\\\\"s,
        u"a\\\\\"b"s,
        u""s,
        u"\ttab"s,
        Utf::fromUtf8("着信 履歴.TXT"),
        Utf::fromUtf8("ソ\\表\\"),
        u"plain"s,
    };
    const std::u16string echo = folder.file(u"echo"s);
    ASSERT_TRUE(SetEnvironmentVariableW(L"NUBREL_ECHO_FILE", windowsPath(echo).c_str()));
    Win32Launcher launcher;
    int ended = 0;
    const bool started = launcher.runProgram(program, arguments, [&] { ++ended; });
    SetEnvironmentVariableW(L"NUBREL_ECHO_FILE", nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(ended, 0) << "the end is told from the message loop, never at once";

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ended == 0 && std::chrono::steady_clock::now() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Win32MessageLoop::processPending();
    }
    ASSERT_EQ(ended, 1) << "the program's end never arrived";

    std::string bytes;
    ASSERT_TRUE(Files::read(echo, bytes)) << "the program wrote nothing";
    ASSERT_EQ(bytes.size() % 2, 0u);
    std::vector<std::u16string> received;
    std::u16string current;
    for (std::size_t at = 0; at < bytes.size(); at += 2) {
        const auto c = static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                             static_cast<unsigned char>(bytes[at + 1]) << 8);
        if (c == u'\0') {
            received.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    ASSERT_EQ(received.size(), arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i)
        EXPECT_EQ(received[i], arguments[i]) << utf8(arguments[i]);

    // A program that is not there: no start, no end told.
    EXPECT_FALSE(launcher.runProgram(programFolder + u"/missing.exe"s, {}, [&] { ++ended; }));
    Win32MessageLoop::processPending();
    EXPECT_EQ(ended, 1);
}
