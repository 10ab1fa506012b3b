// Nubrel.ini through kernel32's own profile functions, whose rules the
// program's INI module copies elsewhere. The A functions take the file's
// bytes as they are, so section, key and value go in and out as CP932 on
// every Windows, whatever its code page.
#pragma once

#include "platform/Profile.h"

class Win32Profile final : public Profile {
public:
    std::int16_t getInt(const std::u16string &path, const std::u16string &section,
                        const std::u16string &key, std::int16_t defaultValue) const override;
    std::u16string getString(const std::u16string &path, const std::u16string &section,
                             const std::u16string &key,
                             const std::u16string &defaultValue) const override;
    bool putString(const std::u16string &path, const std::u16string &section,
                   const std::u16string &key, const std::u16string &value) const override;
};
