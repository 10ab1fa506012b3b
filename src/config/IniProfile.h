// The program's own INI module behind the settings-file interface: reads and
// writes a file by path through the platform's files, with the same rules the
// system's profile functions follow where a front end has them.
#pragma once

#include "platform/Profile.h"

#include <string_view>

class IniProfile final : public Profile {
public:
    std::int16_t getInt(const std::u16string &path, const std::u16string &section,
                        const std::u16string &key, std::int16_t defaultValue) const override;
    std::u16string getString(const std::u16string &path, const std::u16string &section,
                             const std::u16string &key,
                             const std::u16string &defaultValue) const override;
    bool putString(const std::u16string &path, const std::u16string &section,
                   const std::u16string &key, const std::u16string &value) const override;

    // An integer key's value read as a number: the default for an empty value
    // or a number beyond 16 bits; otherwise the decimal number at its start,
    // and 0 when it does not start with one. Every reader of integer keys uses
    // this one rule.
    static std::int16_t toInt(std::string_view value, std::int16_t defaultValue);
};
