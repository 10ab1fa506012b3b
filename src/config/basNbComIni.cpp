#include "config/basNbComIni.h"

#include "config/IniFile.h"
#include "platform/TextFile.h"
#include "state/ProgramFiles.h"

#include <QFileInfo>
#include <limits>

namespace {
// The longest value a string read delivers, as the profile functions do.
constexpr int MaxValueBytes = 255;

// The file as it is now; a missing or unreadable file reads as an empty one.
IniFile load(const QString &path)
{
    QByteArray bytes;
    if (!TextFile::read(path, bytes))
        bytes.clear();
    return IniFile(std::move(bytes));
}

// A value in one pair of double or single quotes reads without them, as the
// profile functions read a hand-edited file. Neither quote can be the second
// byte of a double-byte character.
std::optional<QByteArray> readValue(const IniFile &file, const QString &section, const QString &key)
{
    std::optional<QByteArray> value = file.value(section, key);
    if (value && value->size() >= 2 && (value->front() == '"' || value->front() == '\'') &&
        value->back() == value->front())
        *value = value->sliced(1, value->size() - 2);
    return value;
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
    const std::optional<QByteArray> value = readValue(file, section, key);
    if (!value)
        return defaultValue;
    const QByteArray cut = file.cut(*value, MaxValueBytes);
    return cut.isEmpty() ? defaultValue : file.decode(cut);
}

std::int16_t basNbComIni::GetIniInt(const QString &section, const QString &key,
                                    std::int16_t defaultValue) const
{
    const std::optional<QByteArray> value = readValue(load(m_path), section, key);
    if (!value || value->isEmpty())
        return defaultValue;
    // The decimal number at the start; reading stops at the first other
    // character, and a value that does not start with one gives 0.
    const QByteArray &text = *value;
    qsizetype i = 0;
    const bool negative = text[0] == '-';
    if (negative || text[0] == '+')
        ++i;
    constexpr int Lowest = std::numeric_limits<std::int16_t>::min();
    constexpr int Highest = std::numeric_limits<std::int16_t>::max();
    int number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + (text[i] - '0');
        // A number beyond 16 bits cannot be meant as such; rather than wrap it
        // round as a 16-bit store would, the caller's default stands.
        if (number > -Lowest)
            return defaultValue;
    }
    if (negative)
        number = -number;
    if (number < Lowest || number > Highest)
        return defaultValue;
    return static_cast<std::int16_t>(number);
}

int basNbComIni::PutIniString(const QString &section, const QString &key,
                              const QString &value) const
{
    QByteArray bytes;
    // A file that is there but cannot be read must not be replaced by one that
    // holds only this key: that would lose the product list.
    if (!TextFile::read(m_path, bytes) && QFileInfo::exists(m_path))
        return 0;
    IniFile file(std::move(bytes));
    if (!file.setValue(section, key, value))
        return 0;
    // Through a temporary file and a rename: a crash or a full disk leaves the
    // old file, never a truncated one.
    return TextFile::replace(m_path, file.bytes()) ? 1 : 0;
}
