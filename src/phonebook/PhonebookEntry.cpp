#include "phonebook/PhonebookEntry.h"

#include "state/ProgramState.h"
#include "text/Text.h"

namespace PhonebookText {

std::u16string normaliseNumber(std::u16string_view text)
{
    std::u16string digits;
    digits.reserve(text.size());
    for (const char16_t u : text) {
        if (u >= u'0' && u <= u'9')
            digits += u;
        else if (u >= u'０' && u <= u'９')
            digits += static_cast<char16_t>(u'0' + (u - u'０'));
    }
    // The country prefix: "+81 3-1234-5678", "81312345678", and the common
    // "+81 (0)3-…", whose 0 is the trunk 0 already.
    if (digits.size() > 2 && digits.starts_with(u"81")) {
        digits.erase(0, 2);
        if (!digits.starts_with(u'0'))
            digits.insert(digits.begin(), u'0');
    }
    return digits;
}

std::u16string cleanName(std::u16string_view text)
{
    std::u16string name(text);
    // A byte-order mark is invisible and means nothing inside a name; UTF-8
    // decoding drops it only at the very start of a value, so drop it always.
    Text::removeAll(name, 0xFEFF);
    for (char16_t &c : name) {
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        if (control || c == 0x2028 || c == 0x2029) // and the line and paragraph separators
            c = u' ';
    }
    return std::u16string(Text::trimmed(name));
}

std::size_t utf8MarkLength(std::string_view bytes)
{
    return bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
}

PhonebookEntry makeEntry(std::u16string_view number, std::u16string_view name)
{
    PhonebookEntry entry{normaliseNumber(number), cleanName(name)};
    if (entry.name.empty() || entry.number == WithheldMark)
        entry.number.clear();
    return entry;
}

} // namespace PhonebookText
