// One running copy per program folder: a named mutex of the session.
#pragma once

#include <string>
#include <windows.h>

class Win32InstanceGuard {
public:
    explicit Win32InstanceGuard(const std::u16string &programFolder);
    ~Win32InstanceGuard();
    Win32InstanceGuard(const Win32InstanceGuard &) = delete;
    Win32InstanceGuard &operator=(const Win32InstanceGuard &) = delete;

    // False when another copy from the same folder holds it.
    bool tryLock();

    // The mutex's name: the folder, in one case, without backslashes.
    static std::wstring nameFor(const std::u16string &programFolder);

private:
    std::wstring m_name;
    HANDLE m_mutex = nullptr;
};
