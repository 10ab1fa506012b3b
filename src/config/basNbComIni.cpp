#include "config/basNbComIni.h"

#include "config/IniFile.h"
#include "platform/Cp932.h"
#include "platform/ProgramFiles.h"
#include "platform/TextFile.h"

#include <limits>

namespace {
// The longest value a string read delivers.
constexpr int MaxValueBytes = 255;

IniFile load(const QString &path)
{
    QByteArray bytes;
    TextFile::read(path, bytes);
    return IniFile(bytes);
}

// A cut that never ends inside a UTF-8 character.
QByteArray cutUtf8(const QByteArray &bytes, int limit)
{
    if (bytes.size() <= limit)
        return bytes;
    qsizetype cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return bytes.left(cut);
}
} // namespace

basNbComIni::basNbComIni(QString programFolder)
    : m_path(std::move(programFolder) + ProgramFiles::IniFile)
{
}

QString basNbComIni::path() const
{
    return m_path;
}

QString basNbComIni::GetIniString(const QString &section, const QString &key,
                                  const QString &defaultValue) const
{
    const IniFile file = load(m_path);
    const auto value = file.value(section, key);
    if (!value || value->isEmpty())
        return defaultValue;
    const QByteArray cut =
        file.isUtf8() ? cutUtf8(*value, MaxValueBytes) : Cp932::cutAt(*value, MaxValueBytes);
    return cut.isEmpty() ? defaultValue : file.decode(cut);
}

std::int16_t basNbComIni::GetIniInt(const QString &section, const QString &key,
                                    std::int16_t defaultValue) const
{
    const auto value = load(m_path).value(section, key);
    if (!value || value->isEmpty())
        return defaultValue;
    // The whole decimal number at the start; no number at all gives 0.
    qsizetype i = 0;
    const bool negative = value->at(0) == '-';
    if (negative || value->at(0) == '+')
        ++i;
    long long number = 0;
    while (i < value->size() && value->at(i) >= '0' && value->at(i) <= '9') {
        number = number * 10 + (value->at(i) - '0');
        // Beyond 16 bits the value cannot be meant; the default stands.
        if (number > 32768)
            return defaultValue;
        ++i;
    }
    if (negative)
        number = -number;
    if (number < std::numeric_limits<std::int16_t>::min() ||
        number > std::numeric_limits<std::int16_t>::max())
        return defaultValue;
    return static_cast<std::int16_t>(number);
}

int basNbComIni::PutIniString(const QString &section, const QString &key,
                              const QString &value) const
{
    IniFile file = load(m_path);
    file.setValue(section, key, file.encode(value));
    // Through a temporary file and a rename: never a half-written settings file.
    return TextFile::replace(m_path, file.bytes()) ? 1 : 0;
}
