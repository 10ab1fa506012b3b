#include "config/basNbComIni.h"

#include "config/IniProfile.h"
#include "platform/Profile.h"
#include "state/ProgramFiles.h"

namespace {
const IniProfile OwnModule;
} // namespace

basNbComIni::basNbComIni(std::u16string programFolder)
    : m_path(std::move(programFolder) + ProgramFiles::IniFile), m_profile(&OwnModule)
{
}

void basNbComIni::setProfile(const Profile *profile)
{
    m_profile = profile ? profile : &OwnModule;
}

std::u16string basNbComIni::path() const
{
    return m_path;
}

std::u16string basNbComIni::GetIniString(const std::u16string &section, const std::u16string &key,
                                         const std::u16string &defaultValue) const
{
    return m_profile->getString(m_path, section, key, defaultValue);
}

std::int16_t basNbComIni::GetIniInt(const std::u16string &section, const std::u16string &key,
                                    std::int16_t defaultValue) const
{
    return m_profile->getInt(m_path, section, key, defaultValue);
}

int basNbComIni::PutIniString(const std::u16string &section, const std::u16string &key,
                              const std::u16string &value) const
{
    return m_profile->putString(m_path, section, key, value) ? 1 : 0;
}
