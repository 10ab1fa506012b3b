#include "phonebook/PhonebookCsv.h"

#include "platform/Cp932.h"
#include "text/Text.h"
#include "text/Utf.h"

namespace {

std::u16string_view unquote(std::u16string_view field, std::u16string &buffer)
{
    field = Text::trimmed(field);
    if (field.size() < 2 || !field.starts_with(u'"') || !field.ends_with(u'"'))
        return field;
    buffer = field.substr(1, field.size() - 2);
    Text::replaceAll(buffer, u"\"\"", u"\"");
    return buffer;
}

} // namespace

namespace PhonebookCsv {

std::vector<PhonebookEntry> read(std::string_view bytes)
{
    const std::size_t mark = PhonebookText::utf8MarkLength(bytes);
    const std::u16string text = mark ? Utf::fromUtf8(bytes.substr(mark)) : Cp932::decode(bytes);

    std::vector<PhonebookEntry> entries;
    std::u16string numberBuffer;
    std::u16string nameBuffer;
    const std::u16string_view all(text);
    for (std::size_t at = 0; at <= all.size();) {
        std::size_t end = all.find(u'\n', at);
        if (end == std::u16string_view::npos)
            end = all.size();
        const std::u16string_view line = Text::trimmed(all.substr(at, end - at)); // also a CR
        at = end + 1;
        if (line.empty() || line.front() == u'#' || line.front() == u';')
            continue;
        const std::size_t comma = line.find(u',');
        if (comma == std::u16string_view::npos)
            continue;
        PhonebookEntry entry =
            PhonebookText::makeEntry(unquote(line.substr(0, comma), numberBuffer),
                                     unquote(line.substr(comma + 1), nameBuffer));
        if (!entry.number.empty())
            entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace PhonebookCsv
