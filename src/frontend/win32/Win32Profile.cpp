#include "frontend/win32/Win32Profile.h"

#include "frontend/win32/Win32Text.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "text/Cp932Bytes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <windows.h>

namespace {

// The longest value a string read delivers, as the profile functions' callers
// have always asked for it.
constexpr int MaxValueBytes = 255;

// The path in the system's ANSI code page, which the A functions take. A
// folder name that code page cannot spell goes by its short name, which it can.
std::string ansiPath(const std::u16string &path)
{
    const std::wstring wide = toWide(Files::toNativeSeparators(path));
    auto convert = [](const std::wstring &text, bool &lossy) {
        BOOL usedDefault = FALSE;
        const int size = static_cast<int>(text.size());
        const int needed =
            WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, &usedDefault);
        std::string out(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
        if (needed > 0)
            WideCharToMultiByte(CP_ACP, 0, text.data(), size, out.data(), needed, nullptr,
                                &usedDefault);
        lossy = usedDefault != FALSE;
        return out;
    };
    bool lossy = false;
    std::string out = convert(wide, lossy);
    if (!lossy)
        return out;
    // The file itself may not be there yet: its folder's short name, then its
    // own name.
    const std::size_t cut = wide.find_last_of(L'\\');
    if (cut == std::wstring::npos)
        return out;
    wchar_t shortFolder[MAX_PATH];
    const DWORD length = GetShortPathNameW(wide.substr(0, cut).c_str(), shortFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return out;
    return convert(std::wstring(shortFolder, length) + wide.substr(cut), lossy);
}

} // namespace

std::int16_t Win32Profile::getInt(const std::u16string &path, const std::u16string &section,
                                  const std::u16string &key, std::int16_t defaultValue) const
{
    // The system's number is 32 bits; beyond 16 the default stands rather
    // than a number wrapped round.
    const int number = static_cast<int>(
        GetPrivateProfileIntA(Cp932::encode(section).c_str(), Cp932::encode(key).c_str(),
                              defaultValue, ansiPath(path).c_str()));
    if (number < std::numeric_limits<std::int16_t>::min() ||
        number > std::numeric_limits<std::int16_t>::max())
        return defaultValue;
    return static_cast<std::int16_t>(number);
}

std::u16string Win32Profile::getString(const std::u16string &path, const std::u16string &section,
                                       const std::u16string &key,
                                       const std::u16string &defaultValue) const
{
    char buffer[MaxValueBytes + 1] = {};
    const DWORD length =
        GetPrivateProfileStringA(Cp932::encode(section).c_str(), Cp932::encode(key).c_str(), "",
                                 buffer, sizeof buffer, ansiPath(path).c_str());
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
    return WritePrivateProfileStringA(Cp932::encode(section).c_str(), Cp932::encode(key).c_str(),
                                      Cp932::encode(value).c_str(), ansiPath(path).c_str()) != 0;
}
