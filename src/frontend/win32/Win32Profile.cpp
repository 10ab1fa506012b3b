#include "frontend/win32/Win32Profile.h"

#include "frontend/win32/Win32Text.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "text/Cp932Bytes.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <windows.h>

namespace {

// The longest value a string read delivers, as the profile functions' callers
// have always asked for it.
constexpr int MaxValueBytes = 255;

// The text in the system's ANSI code page, when it reads back as the same
// text: a character the code page lacks becomes '?' or a look-alike (a
// "best fit"), which would name another file or none.
std::optional<std::string> toAnsi(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), size, out.data(), needed, nullptr, nullptr) !=
        needed)
        return std::nullopt;
    const int back = MultiByteToWideChar(CP_ACP, 0, out.data(), needed, nullptr, 0);
    std::wstring again(static_cast<std::size_t>(back > 0 ? back : 0), L'\0');
    if (back <= 0 ||
        MultiByteToWideChar(CP_ACP, 0, out.data(), needed, again.data(), back) != back ||
        again != text)
        return std::nullopt;
    return out;
}

} // namespace

std::wstring Win32Profile::systemShortName(const std::wstring &folder)
{
    std::wstring out(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetShortPathNameW(folder.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (n == 0)
            return folder;
        if (n < out.size()) {
            out.resize(n);
            return out;
        }
        out.resize(n); // the size it needs, its terminator included
    }
}

Win32Profile::Win32Profile(ShortName shortName) : m_shortName(shortName) {}

std::string Win32Profile::ansiPath(const std::u16string &path) const
{
    const std::wstring wide = toWide(Files::toNativeSeparators(path));
    if (std::optional<std::string> out = toAnsi(wide))
        return *out;
    // A folder name the code page cannot spell may have a short name that it
    // can. The file itself may not be there yet: its folder's short name,
    // then its own name.
    const std::size_t cut = wide.find_last_of(L'\\');
    if (cut == std::wstring::npos)
        return {};
    return toAnsi(m_shortName(wide.substr(0, cut)) + wide.substr(cut)).value_or(std::string());
}

std::string Win32Profile::rawValue(const std::string &file, const std::u16string &section,
                                   const std::u16string &key)
{
    // The whole value, however long: the number is read from all of it.
    std::string buffer(256, '\0');
    for (;;) {
        const DWORD length = GetPrivateProfileStringA(
            Cp932::encode(section).c_str(), Cp932::encode(key).c_str(), "", buffer.data(),
            static_cast<DWORD>(buffer.size()), file.c_str());
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 20)) {
            buffer.resize(std::strlen(buffer.c_str()));
            return buffer;
        }
        buffer.assign(buffer.size() * 4, '\0');
    }
}

std::int16_t Win32Profile::getInt(const std::u16string &path, const std::u16string &section,
                                  const std::u16string &key, std::int16_t defaultValue) const
{
    const std::string file = ansiPath(path);
    if (file.empty())
        return m_own.getInt(path, section, key, defaultValue);
    // The system's own integer read takes 0x, 0o and 0b and wraps at 32 bits:
    // the text, read by the program's one rule, gives what every reader gives.
    return IniProfile::toInt(rawValue(file, section, key), defaultValue);
}

std::u16string Win32Profile::getString(const std::u16string &path, const std::u16string &section,
                                       const std::u16string &key,
                                       const std::u16string &defaultValue) const
{
    const std::string file = ansiPath(path);
    if (file.empty())
        return m_own.getString(path, section, key, defaultValue);
    char buffer[MaxValueBytes + 1] = {};
    const DWORD length =
        GetPrivateProfileStringA(Cp932::encode(section).c_str(), Cp932::encode(key).c_str(), "",
                                 buffer, sizeof buffer, file.c_str());
    // The value may be shorter than the count says: where its last character
    // does not fit, the system ends the text before it.
    std::string_view value(buffer, std::min<std::size_t>(length, std::strlen(buffer)));
    // A value cut at the buffer's end may end in the first half of a
    // double-byte character: that half is no character.
    if (length == MaxValueBytes) {
        std::size_t last = 0;
        for (std::size_t at = 0; at < value.size(); at += Cp932Bytes::widthAt(value, at))
            last = at;
        if (last + 1 == value.size() &&
            Cp932Bytes::isLeadByte(static_cast<unsigned char>(value[last])))
            value.remove_suffix(1);
    }
    return value.empty() ? defaultValue : Cp932::decode(value);
}

bool Win32Profile::putString(const std::u16string &path, const std::u16string &section,
                             const std::u16string &key, const std::u16string &value) const
{
    // The system's writer rewrites the whole file where it stands: a program
    // ended in the middle of it leaves the file cut short or empty, and the
    // settings are lost. The program's INI module changes the same line by
    // the same rules through a temporary file and a rename, keeping every
    // other byte and the file's form (CP932 or UTF-16).
    const bool written = m_own.putString(path, section, key, value);
    // Let go of any copy of the file the system keeps, so its next read
    // sees the new one.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
    return written;
}
