// Access to Nubrel.ini in the program folder. Every call opens the file by
// path, does its one operation and lets go.
#pragma once

#include <cstdint>
#include <string>

class Profile;

class basNbComIni {
public:
    explicit basNbComIni(std::u16string programFolder);

    std::u16string path() const;
    // The system's own profile functions instead of the program's INI module;
    // null goes back to the module.
    void setProfile(const Profile *profile);

    std::int16_t GetIniInt(const std::u16string &section, const std::u16string &key,
                           std::int16_t defaultValue) const;
    std::u16string GetIniString(const std::u16string &section, const std::u16string &key,
                                const std::u16string &defaultValue) const;
    // Nonzero when the file was written.
    int PutIniString(const std::u16string &section, const std::u16string &key,
                     const std::u16string &value) const;

private:
    std::u16string m_path;
    const Profile *m_profile;
};
