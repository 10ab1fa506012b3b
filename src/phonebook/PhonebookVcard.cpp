#include "phonebook/PhonebookVcard.h"

#include "platform/Cp932.h"

#include <optional>

namespace {

bool startsWithBlank(QByteArrayView line)
{
    return !line.isEmpty() && (line.front() == ' ' || line.front() == '\t');
}

// A property line: name (group taken off), parameters and the raw value.
struct Property {
    QByteArray name;
    QByteArray charset;
    bool quotedPrintable = false;
    bool binary = false; // BASE64 data: never a name or a number
    QByteArray value;
};

// The position of the first `wanted` outside double quotes, or -1.
qsizetype findUnquoted(QByteArrayView text, char wanted, qsizetype from = 0)
{
    bool quoted = false;
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == wanted && !quoted)
            return i;
    }
    return -1;
}

bool isQuotedPrintableLine(QByteArrayView line)
{
    const qsizetype colon = findUnquoted(line, ':');
    const QByteArray head = (colon < 0 ? line : line.first(colon)).toByteArray().toUpper();
    return head.contains("QUOTED-PRINTABLE");
}

std::optional<Property> parseProperty(QByteArrayView line)
{
    const qsizetype colon = findUnquoted(line, ':');
    if (colon <= 0)
        return std::nullopt;
    Property property;
    property.value = line.sliced(colon + 1).toByteArray();
    const QByteArrayView head = line.first(colon);
    qsizetype at = 0;
    bool first = true;
    while (at <= head.size()) {
        qsizetype end = findUnquoted(head, ';', at);
        if (end < 0)
            end = head.size();
        const QByteArray part = head.sliced(at, end - at).trimmed().toByteArray().toUpper();
        if (first) {
            property.name = part.mid(part.lastIndexOf('.') + 1); // "item1.TEL"
            first = false;
        } else {
            const qsizetype equals = part.indexOf('=');
            const QByteArray key = equals < 0 ? QByteArray() : part.first(equals).trimmed();
            QByteArray value = (equals < 0 ? part : part.sliced(equals + 1)).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.sliced(1, value.size() - 2);
            if (key == "CHARSET")
                property.charset = value;
            else if ((key.isEmpty() || key == "ENCODING") && value == "QUOTED-PRINTABLE")
                property.quotedPrintable = true;
            else if ((key.isEmpty() || key == "ENCODING") && (value == "BASE64" || value == "B"))
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

QByteArray decodeQuotedPrintable(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
            hexDigit(text[i + 2]) >= 0) {
            out += char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else if (text[i] != '=') {
            out += text[i];
        }
    }
    return out;
}

std::optional<QString> decodeText(const QByteArray &bytes, const QByteArray &charset)
{
    if (charset.isEmpty() || charset == "UTF-8" || charset == "UTF8")
        return QString::fromUtf8(bytes);
    for (const char *name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS932",
                             "X-SJIS", "MS_KANJI"}) {
        if (charset == name)
            return Cp932::decode(bytes);
    }
    if (charset == "ISO-8859-1" || charset == "US-ASCII" || charset == "LATIN1")
        return QString::fromLatin1(bytes);
    return std::nullopt;
}

// The text of a value, with the escapes of 3.0 and 4.0 undone; `separator`
// splits a structured value (N) into its parts.
QStringList unescape(const QString &value, QChar separator)
{
    QStringList parts{QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            parts.last() += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        } else if (c == separator) {
            parts.append(QString());
        } else {
            parts.last() += c;
        }
    }
    return parts;
}

QString nameFromN(const QString &value)
{
    const QStringList parts = unescape(value, u';');
    QStringList given;
    for (qsizetype i = 0; i < std::min<qsizetype>(parts.size(), 2); ++i) {
        if (!parts[i].trimmed().isEmpty())
            given.append(parts[i].trimmed());
    }
    return given.join(u' ');
}

// Physical lines joined into logical ones: a line that starts with a blank
// continues the one before (3.0, 4.0), and so does the line after a
// quoted-printable value that ends in '=' (2.1's soft line break).
QList<QByteArray> logicalLines(QByteArrayView bytes)
{
    QList<QByteArray> lines;
    bool softBreak = false;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = bytes.sliced(at, end - at);
        at = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (!lines.isEmpty() && softBreak) {
            lines.last().chop(1);
            lines.last() += startsWithBlank(line) ? line.sliced(1) : line;
        } else if (!lines.isEmpty() && startsWithBlank(line)) {
            lines.last() += line.sliced(1);
        } else if (line.trimmed().isEmpty()) {
            continue;
        } else {
            lines.append(line.toByteArray());
        }
        softBreak = lines.last().endsWith('=') && isQuotedPrintableLine(lines.last());
    }
    return lines;
}

} // namespace

namespace PhonebookVcard {

QList<PhonebookEntry> read(const QByteArray &bytes)
{
    const QByteArrayView content =
        QByteArrayView(bytes).sliced(PhonebookText::utf8MarkLength(bytes));

    QList<PhonebookEntry> entries;
    bool inCard = false;
    QString fullName;
    QString structuredName;
    QStringList numbers;
    for (const QByteArray &line : logicalLines(content)) {
        const std::optional<Property> property = parseProperty(line);
        if (!property)
            continue;
        const QByteArray value = property->value.trimmed().toUpper();
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
            const QString name = fullName.isEmpty() ? structuredName : fullName;
            for (const QString &number : std::as_const(numbers)) {
                PhonebookEntry entry = PhonebookText::makeEntry(number, name);
                if (!entry.number.isEmpty())
                    entries.append(std::move(entry));
            }
            continue;
        }
        const bool wanted =
            property->name == "FN" || property->name == "N" || property->name == "TEL";
        if (!wanted || property->binary)
            continue;
        const QByteArray raw =
            property->quotedPrintable ? decodeQuotedPrintable(property->value) : property->value;
        const std::optional<QString> text = decodeText(raw, property->charset);
        if (!text)
            continue;
        if (property->name == "FN" && fullName.isEmpty()) {
            fullName = PhonebookText::cleanName(unescape(*text, QChar()).join(QString()));
        } else if (property->name == "N" && structuredName.isEmpty()) {
            structuredName = PhonebookText::cleanName(nameFromN(*text));
        } else if (property->name == "TEL") {
            // 4.0 writes a URI: "tel:+81-3-1234-5678;ext=12".
            QString number = text->trimmed();
            if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                number = number.sliced(4).section(u';', 0, 0);
            numbers.append(number);
        }
    }
    return entries;
}

} // namespace PhonebookVcard
