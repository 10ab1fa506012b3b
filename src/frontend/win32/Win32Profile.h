// Nubrel.ini read through kernel32's own profile functions, whose rules the
// program's INI module copies elsewhere. The A functions take the file's
// bytes as they are, so section and key go in and values come out as CP932
// on every Windows, whatever its code page. Where no name in the system's
// ANSI code page reaches the file, the program's own INI module reads it over
// the W file functions instead. Writes always go through that module, which
// never leaves the file half-written.
#pragma once

#include "config/IniProfile.h"
#include "platform/Profile.h"

#include <string>

class Win32Profile final : public Profile {
public:
    // A folder's short name, or the folder as given where it has none (a
    // volume with short names switched off): what GetShortPathNameW gives.
    using ShortName = std::wstring (*)(const std::wstring &folder);
    static std::wstring systemShortName(const std::wstring &folder);

    explicit Win32Profile(ShortName shortName = &Win32Profile::systemShortName);

    std::int16_t getInt(const std::u16string &path, const std::u16string &section,
                        const std::u16string &key, std::int16_t defaultValue) const override;
    std::u16string getString(const std::u16string &path, const std::u16string &section,
                             const std::u16string &key,
                             const std::u16string &defaultValue) const override;
    bool putString(const std::u16string &path, const std::u16string &section,
                   const std::u16string &key, const std::u16string &value) const override;

private:
    // The path as the A functions take it, or empty when none names the file.
    std::string ansiPath(const std::u16string &path) const;
    // The key's whole value as the system reads it; empty when missing.
    static std::string rawValue(const std::string &file, const std::u16string &section,
                                const std::u16string &key);

    ShortName m_shortName;
    IniProfile m_own;
};
