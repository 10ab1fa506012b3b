#include "phonebook/PhonebookVcard.h"

#include "platform/Cp932.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <algorithm>
#include <optional>

namespace {

bool startsWithBlank(std::string_view line)
{
    return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

std::string upper(std::string_view bytes)
{
    std::string out(bytes);
    for (char &c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// A property line: name (group taken off), parameters and the raw value.
struct Property {
    std::string name;
    std::string charset;
    bool quotedPrintable = false;
    bool binary = false; // BASE64 data: never a name or a number
    std::string value;
};

// The position of the first `wanted` outside double quotes, or npos.
std::size_t findUnquoted(std::string_view text, char wanted, std::size_t from = 0)
{
    bool quoted = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == wanted && !quoted)
            return i;
    }
    return std::string_view::npos;
}

bool isQuotedPrintableLine(std::string_view line)
{
    const std::size_t colon = findUnquoted(line, ':');
    const std::string head = upper(colon == std::string_view::npos ? line : line.substr(0, colon));
    return head.find("QUOTED-PRINTABLE") != std::string::npos;
}

std::optional<Property> parseProperty(std::string_view line)
{
    const std::size_t colon = findUnquoted(line, ':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    Property property;
    property.value = line.substr(colon + 1);
    const std::string_view head = line.substr(0, colon);
    std::size_t at = 0;
    bool first = true;
    while (at <= head.size()) {
        std::size_t end = findUnquoted(head, ';', at);
        if (end == std::string_view::npos)
            end = head.size();
        const std::string part = upper(Text::trimmedBytes(head.substr(at, end - at)));
        if (first) {
            const std::size_t dot = part.rfind('.');
            property.name = dot == std::string::npos ? part : part.substr(dot + 1); // "item1.TEL"
            first = false;
        } else {
            const std::size_t equals = part.find('=');
            const std::string_view whole(part);
            const std::string_view key = equals == std::string::npos
                                             ? std::string_view()
                                             : Text::trimmedBytes(whole.substr(0, equals));
            std::string_view value =
                Text::trimmedBytes(equals == std::string::npos ? whole : whole.substr(equals + 1));
            if (value.size() >= 2 && value.starts_with('"') && value.ends_with('"'))
                value = value.substr(1, value.size() - 2);
            if (key == "CHARSET")
                property.charset = value;
            else if ((key.empty() || key == "ENCODING") && value == "QUOTED-PRINTABLE")
                property.quotedPrintable = true;
            else if ((key.empty() || key == "ENCODING") && (value == "BASE64" || value == "B"))
                property.binary = true;
        }
        at = end + 1;
    }
    return property;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string decodeQuotedPrintable(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
            hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else if (text[i] != '=') {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::u16string> decodeText(const std::string &bytes, const std::string &charset)
{
    if (charset.empty() || charset == "UTF-8" || charset == "UTF8")
        return Utf::fromUtf8(bytes);
    for (const char *name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS932",
                             "X-SJIS", "MS_KANJI"}) {
        if (charset == name)
            return Cp932::decode(bytes);
    }
    if (charset == "ISO-8859-1" || charset == "US-ASCII" || charset == "LATIN1")
        return Text::fromLatin1(bytes);
    return std::nullopt;
}

// The text of a value, with the escapes of 3.0 and 4.0 undone; `separator`
// splits a structured value (N) into its parts.
std::vector<std::u16string> unescape(const std::u16string &value, char16_t separator)
{
    std::vector<std::u16string> parts{std::u16string()};
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char16_t c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const char16_t next = value[++i];
            parts.back() += (next == u'n' || next == u'N') ? u'\n' : next;
        } else if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::u16string join(const std::vector<std::u16string> &parts, std::u16string_view separator)
{
    std::u16string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            joined += separator;
        joined += parts[i];
    }
    return joined;
}

std::u16string nameFromN(const std::u16string &value)
{
    const std::vector<std::u16string> parts = unescape(value, u';');
    std::vector<std::u16string> given;
    for (std::size_t i = 0; i < std::min<std::size_t>(parts.size(), 2); ++i) {
        const std::u16string_view part = Text::trimmed(parts[i]);
        if (!part.empty())
            given.emplace_back(part);
    }
    return join(given, u" ");
}

// Physical lines joined into logical ones: a line that starts with a blank
// continues the one before (3.0, 4.0), and so does the line after a
// quoted-printable value that ends in '=' (2.1's soft line break).
std::vector<std::string> logicalLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    bool softBreak = false;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!lines.empty() && softBreak) {
            lines.back().pop_back();
            lines.back() += startsWithBlank(line) ? line.substr(1) : line;
        } else if (!lines.empty() && startsWithBlank(line)) {
            lines.back() += line.substr(1);
        } else if (Text::trimmedBytes(line).empty()) {
            continue;
        } else {
            lines.emplace_back(line);
        }
        softBreak = lines.back().ends_with('=') && isQuotedPrintableLine(lines.back());
    }
    return lines;
}

} // namespace

namespace PhonebookVcard {

std::vector<PhonebookEntry> read(std::string_view bytes)
{
    const std::string_view content = bytes.substr(PhonebookText::utf8MarkLength(bytes));

    std::vector<PhonebookEntry> entries;
    bool inCard = false;
    std::u16string fullName;
    std::u16string structuredName;
    std::vector<std::u16string> numbers;
    for (const std::string &line : logicalLines(content)) {
        const std::optional<Property> property = parseProperty(line);
        if (!property)
            continue;
        const std::string value = upper(Text::trimmedBytes(property->value));
        if (property->name == "BEGIN" && value == "VCARD") {
            // A card not ended before the next begins is dropped.
            inCard = true;
            fullName.clear();
            structuredName.clear();
            numbers.clear();
            continue;
        }
        if (!inCard)
            continue;
        if (property->name == "END" && value == "VCARD") {
            inCard = false;
            const std::u16string &name = fullName.empty() ? structuredName : fullName;
            for (const std::u16string &number : numbers) {
                PhonebookEntry entry = PhonebookText::makeEntry(number, name);
                if (!entry.number.empty())
                    entries.push_back(std::move(entry));
            }
            continue;
        }
        const bool wanted =
            property->name == "FN" || property->name == "N" || property->name == "TEL";
        if (!wanted || property->binary)
            continue;
        const std::string raw =
            property->quotedPrintable ? decodeQuotedPrintable(property->value) : property->value;
        const std::optional<std::u16string> text = decodeText(raw, property->charset);
        if (!text)
            continue;
        if (property->name == "FN" && fullName.empty()) {
            // FN has no parts: its whole text is the name (a NUL in it is dropped).
            fullName = PhonebookText::cleanName(join(unescape(*text, u'\0'), u""));
        } else if (property->name == "N" && structuredName.empty()) {
            structuredName = PhonebookText::cleanName(nameFromN(*text));
        } else if (property->name == "TEL") {
            // 4.0 writes a URI: "tel:+81-3-1234-5678;ext=12".
            std::u16string number(Text::trimmed(*text));
            if (Text::startsWithIgnoringCase(number, u"tel:")) {
                number.erase(0, 4);
                number = number.substr(0, number.find(u';'));
            }
            numbers.push_back(std::move(number));
        }
    }
    return entries;
}

} // namespace PhonebookVcard
