// Other programs started without waiting for them: Notepad on a file, the
// default browser on an address, a program in a window of its own (the About
// box's browser), and the commands run at a call.
#pragma once

#include "platform/Launcher.h"

#include <map>
#include <windows.h>

class Win32Launcher final : public Launcher {
public:
    Win32Launcher();
    ~Win32Launcher() override;
    Win32Launcher(const Win32Launcher &) = delete;
    Win32Launcher &operator=(const Win32Launcher &) = delete;

    bool openTextFile(const std::u16string &path, LateFailure failed) override;
    bool openUrl(const std::u16string &url, LateFailure failed) override;
    bool startProgram(const std::u16string &program,
                      const std::vector<std::u16string> &arguments) override;
    bool runProgram(const std::u16string &program, const std::vector<std::u16string> &arguments,
                    std::function<void()> ended) override;

    // One argument as the C runtime of the program started splits it back.
    static std::wstring quoted(const std::wstring &argument);
    // The editor openTextFile starts, looked for as the system looks for a
    // command: Notepad unless a test gives a program of its own.
    void setTextEditor(std::wstring program) { m_textEditor = std::move(program); }

private:
    struct Running {
        HANDLE process = nullptr;
        HANDLE wait = nullptr;
        std::function<void()> ended;
    };
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void CALLBACK processEnded(void *context, BOOLEAN timedOut);
    void finish(UINT_PTR id);

    std::wstring m_textEditor = L"notepad.exe";
    HWND m_hwnd = nullptr;
    UINT_PTR m_nextId = 1;
    std::map<UINT_PTR, Running> m_running;
};
