#include "text/DateText.h"

#include "text/Text.h"

namespace {
std::u16string padded(int value, std::size_t width)
{
    std::u16string digits = Text::number(value < 0 ? -static_cast<long long>(value) : value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), u'0');
    return value < 0 ? u'-' + digits : digits;
}
} // namespace

namespace DateText {

std::u16string date(int year, int month, int day)
{
    return padded(year, 4) + u'/' + padded(month, 2) + u'/' + padded(day, 2);
}

std::u16string time(int hour, int minute, int second)
{
    return padded(hour, 2) + u':' + padded(minute, 2) + u':' + padded(second, 2);
}

} // namespace DateText
