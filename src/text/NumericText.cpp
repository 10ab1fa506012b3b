#include "text/NumericText.h"

namespace {
bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}
bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}
} // namespace

bool IsNumeric(std::u16string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    std::size_t i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int mantissaDigits = 0;
    // Integer part: digits, with thousands separators only after a digit.
    while (i < end && (isDigit(text[i]) || (text[i] == u',' && mantissaDigits > 0))) {
        if (isDigit(text[i]))
            ++mantissaDigits;
        ++i;
    }
    if (i < end && text[i] == u'.') {
        ++i;
        while (i < end && isDigit(text[i])) {
            ++mantissaDigits;
            ++i;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == end;
}
