#include "config/IniFile.h"

#include "platform/Cp932.h"

namespace {
const QByteArray Bom("\xEF\xBB\xBF");

QByteArray trimBlanks(const QByteArray &text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    return text.mid(b, e - b);
}
} // namespace

IniFile::IniFile(QByteArray bytes) : m_bytes(std::move(bytes))
{
    split();
}

bool IniFile::isUtf8() const
{
    return m_bytes.startsWith(Bom);
}

QString IniFile::decode(const QByteArray &bytes) const
{
    return isUtf8() ? QString::fromUtf8(bytes) : Cp932::decode(bytes);
}

QByteArray IniFile::encode(const QString &text) const
{
    return isUtf8() ? text.toUtf8() : Cp932::encode(text);
}

void IniFile::split()
{
    m_lines.clear();
    qsizetype pos = isUtf8() ? Bom.size() : 0;
    while (pos < m_bytes.size()) {
        const qsizetype lf = m_bytes.indexOf('\n', pos);
        const qsizetype end = lf < 0 ? m_bytes.size() : lf + 1;
        qsizetype textEnd = lf < 0 ? m_bytes.size() : lf;
        if (textEnd > pos && m_bytes[textEnd - 1] == '\r')
            --textEnd;
        m_lines.push_back(Line{pos, textEnd, end});
        pos = end;
    }
}

QByteArray IniFile::lineText(const Line &line) const
{
    return m_bytes.mid(line.begin, line.textEnd - line.begin);
}

IniFile::Found IniFile::find(const QString &section, const QString &key) const
{
    Found found;
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QByteArray text = trimBlanks(lineText(m_lines[i]));
        if (text.startsWith('[')) {
            if (inSection)
                break; // the first matching section is the one
            const qsizetype close = text.indexOf(']');
            const QByteArray name = trimBlanks(text.mid(1, close < 0 ? -1 : close - 1));
            if (decode(name).compare(section, Qt::CaseInsensitive) == 0) {
                inSection = true;
                found.sectionHeader = i;
                found.lastEntry = i;
            }
            continue;
        }
        if (!inSection || text.isEmpty() || text.startsWith(';') || text.startsWith('#'))
            continue;
        const qsizetype eq = text.indexOf('=');
        if (eq < 0)
            continue;
        found.lastEntry = i;
        if (found.keyLine < 0 &&
            decode(trimBlanks(text.left(eq))).compare(key, Qt::CaseInsensitive) == 0)
            found.keyLine = i;
    }
    return found;
}

std::optional<QByteArray> IniFile::value(const QString &section, const QString &key) const
{
    const Found found = find(section, key);
    if (found.keyLine < 0)
        return std::nullopt;
    const QByteArray text = lineText(m_lines[found.keyLine]);
    return trimBlanks(text.mid(text.indexOf('=') + 1));
}

QByteArray IniFile::newline() const
{
    if (!m_lines.isEmpty()) {
        const Line &first = m_lines.front();
        if (first.end > first.textEnd)
            return m_bytes.mid(first.textEnd, first.end - first.textEnd);
    }
    return QByteArrayLiteral("\r\n");
}

void IniFile::setValue(const QString &section, const QString &key, const QByteArray &value)
{
    const Found found = find(section, key);
    const QByteArray nl = newline();
    if (found.keyLine >= 0) {
        const Line &line = m_lines[found.keyLine];
        const QByteArray text = lineText(line);
        const QByteArray name = trimBlanks(trimBlanks(text).left(trimBlanks(text).indexOf('=')));
        m_bytes.replace(line.begin, line.textEnd - line.begin, name + '=' + value);
    } else if (found.sectionHeader >= 0) {
        const Line &after = m_lines[found.lastEntry];
        QByteArray insert = encode(key) + '=' + value + nl;
        if (after.end == after.textEnd) // the last line of the file had no line end
            insert.prepend(nl);
        m_bytes.insert(after.end, insert);
    } else {
        if (!m_bytes.isEmpty() && !m_bytes.endsWith('\n'))
            m_bytes += nl;
        m_bytes += '[' + encode(section) + ']' + nl + encode(key) + '=' + value + nl;
    }
    split();
}
