#include "config/IniFile.h"

#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
const QByteArray Bom = QByteArrayLiteral("\xEF\xBB\xBF");

bool isTrailByte(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool hasLineEnd(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// A name that reads back as itself once written.
bool isWritableName(const QString &name)
{
    return !name.isEmpty() && !hasLineEnd(name) && !isBlank(name.front()) && !isBlank(name.back());
}
} // namespace

IniFile::IniFile(QByteArray bytes) : m_bytes(std::move(bytes)), m_utf8(m_bytes.startsWith(Bom))
{
    const bool little = m_bytes.startsWith("\xFF\xFE");
    if (little || m_bytes.startsWith("\xFE\xFF")) {
        m_utf16 = little ? Utf16::LittleEndian : Utf16::BigEndian;
        QStringDecoder utf16(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = utf16.decode(QByteArrayView(m_bytes).sliced(2));
        m_read = std::move(m_bytes);
        m_bytes = Bom + text.toUtf8();
        m_utf8 = true;
    }
    parse();
}

QByteArray IniFile::bytes() const
{
    if (m_utf16 == Utf16::None)
        return m_bytes;
    // Unchanged, the file is what was read, byte for byte.
    if (!m_changed)
        return m_read;
    const bool little = m_utf16 == Utf16::LittleEndian;
    QStringEncoder utf16(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
    const QString text = QString::fromUtf8(QByteArrayView(m_bytes).sliced(Bom.size()));
    return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(utf16.encode(text));
}

QString IniFile::decode(const QByteArray &bytes) const
{
    if (!m_utf8)
        return Cp932::decode(bytes);
    // Every name and value is decoded on its own: a byte-order mark that
    // begins one is part of it, as in the file, not a mark to drop; a
    // character cut off at its end is a bad character, not one to wait for.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return utf8.decode(bytes);
}

QByteArray IniFile::encode(const QString &text) const
{
    return m_utf8 ? text.toUtf8() : Cp932::encode(text);
}

QByteArray IniFile::cut(const QByteArray &bytes, int limit) const
{
    if (!m_utf8)
        return Cp932::cutAt(bytes, limit);
    if (limit <= 0)
        return QByteArray();
    if (bytes.size() <= limit)
        return bytes;
    // Back off over continuation bytes to the start of the character at the cut.
    qsizetype end = limit;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return bytes.left(end);
}

void IniFile::parse()
{
    m_lines.clear();
    qsizetype pos = m_utf8 ? Bom.size() : 0;
    while (pos < m_bytes.size()) {
        const qsizetype lf = m_bytes.indexOf('\n', pos);
        const qsizetype end = lf < 0 ? m_bytes.size() : lf + 1;
        qsizetype textEnd = lf < 0 ? m_bytes.size() : lf;
        if (textEnd > pos && m_bytes[textEnd - 1] == '\r')
            --textEnd;
        m_lines.push_back(parseLine(pos, textEnd, end));
        pos = end;
    }
}

IniFile::Line IniFile::parseLine(qsizetype begin, qsizetype textEnd, qsizetype end) const
{
    Line line;
    line.begin = begin;
    line.textEnd = textEnd;
    line.end = end;
    qsizetype first = begin;
    while (first < textEnd && isBlank(m_bytes[first]))
        ++first;
    if (first == textEnd || m_bytes[first] == ';' || m_bytes[first] == '#')
        return line;

    const auto trimmed = [this](qsizetype &from, qsizetype &to) {
        while (from < to && isBlank(m_bytes[from]))
            ++from;
        while (to > from && isBlank(m_bytes[to - 1]))
            --to;
    };
    if (m_bytes[first] == '[') {
        // Without its ']' the line opens no section, as the profile functions read it.
        const qsizetype close = sectionNameEnd(first + 1, textEnd);
        if (close >= textEnd)
            return line;
        line.kind = Kind::Section;
        line.nameBegin = first + 1;
        line.nameEnd = close;
    } else {
        // '=' is below every CP932 trail byte and never inside a UTF-8 sequence.
        const qsizetype eq = m_bytes.indexOf('=', first);
        if (eq < 0 || eq >= textEnd)
            return line;
        line.kind = Kind::Key;
        line.nameBegin = first;
        line.nameEnd = eq;
        line.valueBegin = eq + 1;
        line.valueEnd = textEnd;
        trimmed(line.valueBegin, line.valueEnd);
    }
    trimmed(line.nameBegin, line.nameEnd);
    line.name = decode(m_bytes.sliced(line.nameBegin, line.nameEnd - line.nameBegin));
    return line;
}

// Where a section name ends: at its ']', or at the end of the line without one.
// In CP932 ']' (0x5D) can be the second byte of a character, so step by characters.
qsizetype IniFile::sectionNameEnd(qsizetype from, qsizetype textEnd) const
{
    qsizetype i = from;
    while (i < textEnd && m_bytes[i] != ']') {
        const bool pair = !m_utf8 && i + 1 < textEnd &&
                          Cp932::isLeadByte(static_cast<unsigned char>(m_bytes[i])) &&
                          isTrailByte(static_cast<unsigned char>(m_bytes[i + 1]));
        i += pair ? 2 : 1;
    }
    return i;
}

IniFile::Place IniFile::find(const QString &section, const QString &key) const
{
    Place place;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.kind == Kind::Section) {
            if (place.header >= 0)
                break;
            if (line.name.compare(section, Qt::CaseInsensitive) == 0)
                place.header = place.last = i;
        } else if (line.kind == Kind::Key && place.header >= 0) {
            place.last = i;
            if (place.key < 0 && line.name.compare(key, Qt::CaseInsensitive) == 0)
                place.key = i;
        }
    }
    return place;
}

std::optional<QByteArray> IniFile::value(const QString &section, const QString &key) const
{
    if (section.isEmpty() || key.isEmpty())
        return std::nullopt;
    const Place place = find(section, key);
    if (place.key < 0)
        return std::nullopt;
    const Line &line = m_lines[place.key];
    return m_bytes.sliced(line.valueBegin, line.valueEnd - line.valueBegin);
}

QByteArray IniFile::newline() const
{
    if (!m_lines.isEmpty()) {
        const Line &first = m_lines.front();
        if (first.end - first.textEnd == 1 && m_bytes[first.textEnd] == '\n')
            return QByteArrayLiteral("\n");
    }
    return QByteArrayLiteral("\r\n");
}

// What ends a line that has no LF yet: the file's line end, or only the LF when
// a CR is already there (the CR alone is part of no line end and no text).
QByteArray IniFile::missingLineEnd(const Line &line) const
{
    if (line.end > line.begin && m_bytes[line.end - 1] == '\n')
        return QByteArray();
    if (line.end > line.textEnd)
        return QByteArrayLiteral("\n");
    return newline();
}

bool IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    if (!isWritableName(section) || section.contains(u']') || !isWritableName(key) ||
        key.contains(u'=') || key.front() == u';' || key.front() == u'#' || key.front() == u'[' ||
        hasLineEnd(value))
        return false;
    // A name the file's encoding cannot hold would be written as another name:
    // the key could never be found again, and each write would add a line.
    if (decode(encode(section)) != section || decode(encode(key)) != key)
        return false;

    const Place place = find(section, key);
    const QByteArray nl = newline();
    if (place.key >= 0) {
        // The key keeps the spelling it has in the file, the line its own line end.
        const Line &line = m_lines[place.key];
        const QByteArray text =
            m_bytes.sliced(line.nameBegin, line.nameEnd - line.nameBegin) + '=' + encode(value);
        m_bytes.replace(line.begin, line.textEnd - line.begin, text);
    } else if (place.header >= 0) {
        // After the section's last key, so blank lines before the next section stay there.
        const Line &after = m_lines[place.last];
        m_bytes.insert(after.end, missingLineEnd(after) + encode(key) + '=' + encode(value) + nl);
    } else {
        if (!m_lines.isEmpty())
            m_bytes += missingLineEnd(m_lines.back());
        m_bytes += '[' + encode(section) + ']' + nl + encode(key) + '=' + encode(value) + nl;
    }
    m_changed = true;
    parse();
    return true;
}

QList<IniFile::Entry> IniFile::entries() const
{
    QList<Entry> found;
    const Line *header = nullptr;
    for (const Line &line : m_lines) {
        if (line.kind == Kind::Section)
            header = &line;
        else if (line.kind == Kind::Key && header)
            found.push_back(Entry{header->name, line.name});
    }
    return found;
}
