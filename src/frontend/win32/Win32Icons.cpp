#include "frontend/win32/Win32Icons.h"

#include "app/IconLocator.h"
#include "frontend/win32/Win32Text.h"

#include <utility>

namespace {
HICON loadFile(const std::u16string &path, bool small)
{
    const int size = small ? GetSystemMetrics(SM_CXSMICON) : GetSystemMetrics(SM_CXICON);
    return static_cast<HICON>(
        LoadImageW(nullptr, wide(path), IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

std::u16string currentDirectory()
{
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, buffer);
    return n > 0 && n < MAX_PATH ? fromWide(buffer) : std::u16string();
}
} // namespace

Win32Icons::Win32Icons(std::u16string programFolder) : m_folder(std::move(programFolder)) {}

Win32Icons::~Win32Icons()
{
    for (auto &pair : m_icons) {
        for (HICON icon : pair) {
            if (icon)
                DestroyIcon(icon);
        }
    }
}

HICON Win32Icons::load(AppIcon which, bool small)
{
    if (which != AppIcon::BuiltIn) {
        // By their bare names, from the current directory first, as the
        // program always loaded them; then from its own folder.
        const std::u16string name = which == AppIcon::Stopped ? u"PhoneA.Ico" : u"PhoneB.Ico";
        const std::u16string path =
            locateIconFile(name, currentDirectory(), m_folder, [small](const std::u16string &p) {
                HICON probe = loadFile(p, small);
                if (probe)
                    DestroyIcon(probe);
                return probe != nullptr;
            });
        if (!path.empty()) {
            if (HICON icon = loadFile(path, small))
                return icon;
        }
    }
    const int size = small ? GetSystemMetrics(SM_CXSMICON) : GetSystemMetrics(SM_CXICON);
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(BuiltInResource), IMAGE_ICON, size, size,
                                         LR_DEFAULTCOLOR));
}

HICON Win32Icons::icon(AppIcon which, bool small)
{
    HICON &slot = m_icons[static_cast<int>(which)][small ? 1 : 0];
    if (!slot)
        slot = load(which, small);
    return slot;
}
