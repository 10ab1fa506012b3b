#include "frontend/win32/Win32InstanceGuard.h"

#include "frontend/win32/Win32Text.h"

#include <cwctype>

Win32InstanceGuard::Win32InstanceGuard(const std::u16string &programFolder)
    : m_name(nameFor(programFolder))
{
}

Win32InstanceGuard::~Win32InstanceGuard()
{
    if (m_mutex)
        CloseHandle(m_mutex);
}

std::wstring Win32InstanceGuard::nameFor(const std::u16string &programFolder)
{
    // A backslash would name a namespace; the file system ignores case.
    std::wstring folder = toWide(programFolder);
    for (wchar_t &c : folder) {
        c = c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
    }
    return L"Local\\Nubrel:" + folder.substr(0, MAX_PATH - 20);
}

bool Win32InstanceGuard::tryLock()
{
    if (m_mutex)
        return true;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, m_name.c_str());
    if (!mutex)
        return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    m_mutex = mutex;
    return true;
}
