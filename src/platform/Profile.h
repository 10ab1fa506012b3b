// The system's own functions for settings files, where it has them. Where a
// front end gives one, Nubrel.ini is read and written through it; without one
// the program's own INI module, which keeps the same rules, does the work.
#pragma once

#include <cstdint>
#include <string>

class Profile {
public:
    virtual ~Profile() = default;

    // The key's number; the default where the key is missing or the number
    // does not fit in 16 bits.
    virtual std::int16_t getInt(const std::u16string &path, const std::u16string &section,
                                const std::u16string &key, std::int16_t defaultValue) const = 0;
    // The key's value cut at 255 bytes; the default where it is missing or empty.
    virtual std::u16string getString(const std::u16string &path, const std::u16string &section,
                                     const std::u16string &key,
                                     const std::u16string &defaultValue) const = 0;
    // True when the file was written.
    virtual bool putString(const std::u16string &path, const std::u16string &section,
                           const std::u16string &key, const std::u16string &value) const = 0;
};
