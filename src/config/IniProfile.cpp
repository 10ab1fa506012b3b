#include "config/IniProfile.h"

#include "config/IniFile.h"
#include "platform/Files.h"

#include <limits>
#include <optional>

namespace {
// The longest value a string read delivers, as the profile functions do.
constexpr int MaxValueBytes = 255;

// The file as it is now; a missing or unreadable file reads as an empty one.
IniFile load(const std::u16string &path)
{
    std::string bytes;
    if (!Files::read(path, bytes))
        bytes.clear();
    return IniFile(std::move(bytes));
}

// A value in one pair of double or single quotes reads without them, as the
// profile functions read a hand-edited file. Neither quote can be the second
// byte of a double-byte character.
std::optional<std::string> readValue(const IniFile &file, const std::u16string &section,
                                     const std::u16string &key)
{
    std::optional<std::string> value = file.value(section, key);
    if (value && value->size() >= 2 && (value->front() == '"' || value->front() == '\'') &&
        value->back() == value->front())
        *value = value->substr(1, value->size() - 2);
    return value;
}
} // namespace

std::int16_t IniProfile::toInt(std::string_view text, std::int16_t defaultValue)
{
    if (text.empty())
        return defaultValue;
    // The decimal number at the start; reading stops at the first other
    // character, and a value that does not start with one gives 0.
    std::size_t i = 0;
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

std::int16_t IniProfile::getInt(const std::u16string &path, const std::u16string &section,
                                const std::u16string &key, std::int16_t defaultValue) const
{
    const std::optional<std::string> value = readValue(load(path), section, key);
    return value ? toInt(*value, defaultValue) : defaultValue;
}

std::u16string IniProfile::getString(const std::u16string &path, const std::u16string &section,
                                     const std::u16string &key,
                                     const std::u16string &defaultValue) const
{
    const IniFile file = load(path);
    const std::optional<std::string> value = readValue(file, section, key);
    if (!value)
        return defaultValue;
    const std::string cut = file.cut(*value, MaxValueBytes);
    return cut.empty() ? defaultValue : file.decode(cut);
}

bool IniProfile::putString(const std::u16string &path, const std::u16string &section,
                           const std::u16string &key, const std::u16string &value) const
{
    std::string bytes;
    // A file that is there but cannot be read must not be replaced by one that
    // holds only this key: that would lose the product list.
    if (!Files::read(path, bytes) && Files::exists(path))
        return false;
    IniFile file(std::move(bytes));
    if (!file.setValue(section, key, value))
        return false;
    // Through a temporary file and a rename: a crash or a full disk leaves the
    // old file, never a truncated one.
    return Files::replace(path, file.bytes());
}
