#include "app/ValueText.h"

#include "text/NumericText.h"
#include "text/Text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace ValueText {

std::u16string formatSingle(double value)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                            static_cast<float>(value), std::chars_format::fixed);
    if (error != std::errc())
        return u"0";
    return Text::fromLatin1(std::string_view(buffer.data(), end - buffer.data()));
}

std::optional<double> parseNumber(const std::u16string &text)
{
    if (!IsNumeric(text))
        return std::nullopt;
    // What IsNumeric accepts is ASCII between the blanks around it.
    std::string plain = Text::toAscii(Text::trimmed(text));
    std::erase(plain, ',');
    const char *first = plain.data();
    if (!plain.empty() && plain.front() == '+')
        ++first; // from_chars takes no plus sign
    double value = 0;
    const auto [end, error] = std::from_chars(first, plain.data() + plain.size(), value);
    // Out of range either way (too large, or too small to be told from 0) is no number.
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::u16string formatFlag(bool value)
{
    return value ? u"True" : u"False";
}

std::optional<bool> parseFlag(const std::u16string &text)
{
    const std::u16string trimmed(Text::trimmed(text));
    if (Text::equalsIgnoringCase(trimmed, u"True"))
        return true;
    if (Text::equalsIgnoringCase(trimmed, u"False"))
        return false;
    if (const auto number = parseNumber(trimmed))
        return *number != 0;
    return std::nullopt;
}

} // namespace ValueText
