#include "config/IniFile.h"

#include "platform/Cp932.h"
#include "text/Cp932Bytes.h"
#include "text/Text.h"
#include "text/Utf.h"

namespace {
const std::string Bom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

bool hasLineEnd(const std::u16string &text)
{
    return text.find_first_of(u"\r\n") != std::u16string::npos;
}

bool contains(const std::u16string &text, char16_t c)
{
    return text.find(c) != std::u16string::npos;
}

// A name that reads back as itself once written.
bool isWritableName(const std::u16string &name)
{
    return !name.empty() && !hasLineEnd(name) && !isBlank(name.front()) && !isBlank(name.back());
}
} // namespace

IniFile::IniFile(std::string bytes) : m_bytes(std::move(bytes)), m_utf8(m_bytes.starts_with(Bom))
{
    const bool little = m_bytes.starts_with("\xFF\xFE");
    if (little || m_bytes.starts_with("\xFE\xFF")) {
        m_utf16 = little ? Utf16::LittleEndian : Utf16::BigEndian;
        const std::u16string text =
            Utf::fromUtf16(std::string_view(m_bytes).substr(2),
                           little ? Utf::ByteOrder::LittleEndian : Utf::ByteOrder::BigEndian);
        m_read = std::move(m_bytes);
        m_bytes = Bom + Utf::toUtf8(text);
        m_utf8 = true;
    }
    parse();
}

std::string IniFile::bytes() const
{
    if (m_utf16 == Utf16::None)
        return m_bytes;
    // Unchanged, the file is what was read, byte for byte.
    if (!m_changed)
        return m_read;
    const bool little = m_utf16 == Utf16::LittleEndian;
    const std::u16string text = Utf::fromUtf8(std::string_view(m_bytes).substr(Bom.size()));
    return std::string(little ? "\xFF\xFE" : "\xFE\xFF") +
           Utf::toUtf16(text, little ? Utf::ByteOrder::LittleEndian : Utf::ByteOrder::BigEndian);
}

std::u16string IniFile::decode(std::string_view bytes) const
{
    if (!m_utf8)
        return Cp932::decode(bytes);
    // Every name and value is decoded on its own: a byte-order mark that
    // begins one is part of it, as in the file, not a mark to drop; a
    // character cut off at its end is a bad character, not one to wait for.
    return Utf::fromUtf8KeepingMark(bytes);
}

std::string IniFile::encode(const std::u16string &text) const
{
    return m_utf8 ? Utf::toUtf8(text) : Cp932::encode(text);
}

std::string IniFile::cut(std::string_view bytes, int limit) const
{
    if (!m_utf8)
        return std::string(Cp932Bytes::cutAt(bytes, limit));
    if (limit <= 0)
        return {};
    if (bytes.size() <= static_cast<std::size_t>(limit))
        return std::string(bytes);
    // Back off over continuation bytes to the start of the character at the cut.
    auto end = static_cast<std::size_t>(limit);
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return std::string(bytes.substr(0, end));
}

void IniFile::parse()
{
    m_lines.clear();
    std::size_t pos = m_utf8 ? Bom.size() : 0;
    while (pos < m_bytes.size()) {
        const std::size_t lf = m_bytes.find('\n', pos);
        const std::size_t end = lf == std::string::npos ? m_bytes.size() : lf + 1;
        std::size_t textEnd = lf == std::string::npos ? m_bytes.size() : lf;
        if (textEnd > pos && m_bytes[textEnd - 1] == '\r')
            --textEnd;
        m_lines.push_back(parseLine(pos, textEnd, end));
        pos = end;
    }
}

IniFile::Line IniFile::parseLine(std::size_t begin, std::size_t textEnd, std::size_t end) const
{
    Line line;
    line.begin = begin;
    line.textEnd = textEnd;
    line.end = end;
    std::size_t first = begin;
    while (first < textEnd && isBlank(m_bytes[first]))
        ++first;
    if (first == textEnd || m_bytes[first] == ';' || m_bytes[first] == '#')
        return line;

    const auto trimmed = [this](std::size_t &from, std::size_t &to) {
        while (from < to && isBlank(m_bytes[from]))
            ++from;
        while (to > from && isBlank(m_bytes[to - 1]))
            --to;
    };
    if (m_bytes[first] == '[') {
        // Without its ']' the line opens no section, as the profile functions read it.
        const std::size_t close = sectionNameEnd(first + 1, textEnd);
        if (close >= textEnd)
            return line;
        line.kind = Kind::Section;
        line.nameBegin = first + 1;
        line.nameEnd = close;
    } else {
        // '=' is below every CP932 trail byte and never inside a UTF-8 sequence.
        const std::size_t eq = m_bytes.find('=', first);
        if (eq == std::string::npos || eq >= textEnd)
            return line;
        line.kind = Kind::Key;
        line.nameBegin = first;
        line.nameEnd = eq;
        line.valueBegin = eq + 1;
        line.valueEnd = textEnd;
        trimmed(line.valueBegin, line.valueEnd);
    }
    trimmed(line.nameBegin, line.nameEnd);
    line.name =
        decode(std::string_view(m_bytes).substr(line.nameBegin, line.nameEnd - line.nameBegin));
    return line;
}

// Where a section name ends: at its ']', or at the end of the line without one.
// In CP932 ']' (0x5D) can be the second byte of a character, so step by characters.
std::size_t IniFile::sectionNameEnd(std::size_t from, std::size_t textEnd) const
{
    std::size_t i = from;
    while (i < textEnd && m_bytes[i] != ']') {
        const bool pair = !m_utf8 && i + 1 < textEnd &&
                          Cp932Bytes::isLeadByte(static_cast<unsigned char>(m_bytes[i])) &&
                          Cp932Bytes::isTrailByte(static_cast<unsigned char>(m_bytes[i + 1]));
        i += pair ? 2 : 1;
    }
    return i;
}

IniFile::Place IniFile::find(const std::u16string &section, const std::u16string &key) const
{
    Place place;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        const auto at = static_cast<std::ptrdiff_t>(i);
        if (line.kind == Kind::Section) {
            if (place.header >= 0)
                break;
            if (Text::equalsIgnoringCase(line.name, section))
                place.header = place.last = at;
        } else if (line.kind == Kind::Key && place.header >= 0) {
            place.last = at;
            if (place.key < 0 && Text::equalsIgnoringCase(line.name, key))
                place.key = at;
        }
    }
    return place;
}

std::optional<std::string> IniFile::value(const std::u16string &section,
                                          const std::u16string &key) const
{
    if (section.empty() || key.empty())
        return std::nullopt;
    const Place place = find(section, key);
    if (place.key < 0)
        return std::nullopt;
    const Line &line = m_lines[static_cast<std::size_t>(place.key)];
    return m_bytes.substr(line.valueBegin, line.valueEnd - line.valueBegin);
}

std::string IniFile::newline() const
{
    if (!m_lines.empty()) {
        const Line &first = m_lines.front();
        if (first.end - first.textEnd == 1 && m_bytes[first.textEnd] == '\n')
            return "\n";
    }
    return "\r\n";
}

// What ends a line that has no LF yet: the file's line end, or only the LF when
// a CR is already there (the CR alone is part of no line end and no text).
std::string IniFile::missingLineEnd(const Line &line) const
{
    if (line.end > line.begin && m_bytes[line.end - 1] == '\n')
        return {};
    if (line.end > line.textEnd)
        return "\n";
    return newline();
}

bool IniFile::setValue(const std::u16string &section, const std::u16string &key,
                       const std::u16string &value)
{
    if (!isWritableName(section) || contains(section, u']') || !isWritableName(key) ||
        contains(key, u'=') || key.front() == u';' || key.front() == u'#' || key.front() == u'[' ||
        hasLineEnd(value))
        return false;
    // A name the file's encoding cannot hold would be written as another name:
    // the key could never be found again, and each write would add a line.
    if (decode(encode(section)) != section || decode(encode(key)) != key)
        return false;

    const Place place = find(section, key);
    const std::string nl = newline();
    if (place.key >= 0) {
        // The key keeps the spelling it has in the file, the line its own line end.
        const Line &line = m_lines[static_cast<std::size_t>(place.key)];
        const std::string text =
            m_bytes.substr(line.nameBegin, line.nameEnd - line.nameBegin) + '=' + encode(value);
        m_bytes.replace(line.begin, line.textEnd - line.begin, text);
    } else if (place.header >= 0) {
        // After the section's last key, so blank lines before the next section stay there.
        const Line &after = m_lines[static_cast<std::size_t>(place.last)];
        m_bytes.insert(after.end, missingLineEnd(after) + encode(key) + '=' + encode(value) + nl);
    } else {
        if (!m_lines.empty())
            m_bytes += missingLineEnd(m_lines.back());
        m_bytes += '[' + encode(section) + ']' + nl + encode(key) + '=' + encode(value) + nl;
    }
    m_changed = true;
    parse();
    return true;
}

std::vector<IniFile::Entry> IniFile::entries() const
{
    std::vector<Entry> found;
    const Line *header = nullptr;
    for (const Line &line : m_lines) {
        if (line.kind == Kind::Section)
            header = &line;
        else if (line.kind == Kind::Key && header)
            found.push_back(Entry{header->name, line.name});
    }
    return found;
}
