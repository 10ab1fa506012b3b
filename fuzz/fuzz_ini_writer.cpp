// A settings file and a run of writes to it. Input: the file's bytes up to the
// first NUL, then one write per NUL-separated record, "section\1key\1value" in
// UTF-8 (missing fields are empty).
//
// After every write: it was refused exactly when the names or the value cannot
// make a line that reads back, and then nothing changed; otherwise the file
// changed in one of the three ways a write may change it, every key written so
// far reads back its last value, and every line of the original file that no
// write touched is still there, byte for byte and in order.
#include "FuzzCheck.h"
#include "config/IniFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

using FuzzCheck::Bom;
using FuzzCheck::isBlank;

constexpr int MaxWrites = 64;

bool hasLineEnd(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

bool isWritableName(const QString &name)
{
    return !name.isEmpty() && !hasLineEnd(name) && !isBlank(name.front()) && !isBlank(name.back());
}

// Whether the file must take the write: a name that would read back as
// something else, or a value that would end its line, is refused.
bool acceptable(const QString &section, const QString &key, const QString &value)
{
    return isWritableName(section) && !section.contains(u']') && isWritableName(key) &&
           !key.contains(u'=') && key.front() != u';' && key.front() != u'#' &&
           key.front() != u'[' && !hasLineEnd(value);
}

QString trimmedBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The file's lines after its byte-order mark, each with its own line end.
QList<QByteArray> linesOf(const QByteArray &bytes, bool utf8)
{
    QList<QByteArray> lines;
    qsizetype pos = utf8 ? Bom.size() : 0;
    while (pos < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', pos);
        const qsizetype end = lf < 0 ? bytes.size() : lf + 1;
        lines.push_back(bytes.sliced(pos, end - pos));
        pos = end;
    }
    return lines;
}

// CR LF or LF; a lone CR only ends the file's last line.
QByteArray lineEndOf(const QByteArray &line)
{
    if (line.endsWith("\r\n"))
        return QByteArrayLiteral("\r\n");
    if (line.endsWith('\n'))
        return QByteArrayLiteral("\n");
    if (line.endsWith('\r'))
        return QByteArrayLiteral("\r");
    return {};
}

QByteArray textOf(const QByteArray &line)
{
    return line.chopped(lineEndOf(line).size());
}

// New lines end like the file's first line: LF after an LF line, else CR LF.
QByteArray newlineOf(const QList<QByteArray> &lines)
{
    if (!lines.isEmpty() && lineEndOf(lines.front()) == "\n")
        return QByteArrayLiteral("\n");
    return QByteArrayLiteral("\r\n");
}

// The last line completed before something is added after it.
QByteArray completed(const QByteArray &line, const QByteArray &newline)
{
    if (line.endsWith('\n'))
        return line;
    if (line.endsWith('\r'))
        return line + '\n';
    return line + newline;
}

// The name of a key line, as its bytes: blanks before it and around it dropped.
std::optional<QByteArray> keyNameOf(const QByteArray &text)
{
    qsizetype first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    const qsizetype eq = text.indexOf('=', first);
    if (eq < 0)
        return std::nullopt;
    qsizetype end = eq;
    while (end > first && isBlank(text[end - 1]))
        --end;
    return text.sliced(first, end - first);
}

struct Write {
    QString section;
    QString key;
    QString value;
};

// A byte-order mark at the start of a field stays a character: names and
// values may begin with U+FEFF like any other.
QString fieldText(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

Write writeFrom(const QByteArray &record)
{
    const QList<QByteArray> fields = record.split('\1');
    Write write;
    if (fields.size() > 0)
        write.section = fieldText(fields[0]);
    if (fields.size() > 1)
        write.key = fieldText(fields[1]);
    if (fields.size() > 2)
        write.value = fieldText(fields[2]);
    return write;
}

struct Expected {
    QString section;
    QString key;
    QString value;
};

std::optional<QString> readBack(const IniFile &file, const QString &section, const QString &key)
{
    const std::optional<QByteArray> value = file.value(section, key);
    if (!value)
        return std::nullopt;
    return file.decode(*value);
}

// The change one accepted write made: lines [prefix, before.size() - suffix)
// of the old file became lines [prefix, after.size() - suffix) of the new one.
// Returns false unless the change is the key's line rewritten, a key line
// added, or the section added at the end.
bool isWriteShaped(const QList<QByteArray> &before, const QList<QByteArray> &after,
                   qsizetype prefix, qsizetype suffix, const IniFile &file, const Write &write)
{
    const QList<QByteArray> gone = before.mid(prefix, before.size() - suffix - prefix);
    const QList<QByteArray> added = after.mid(prefix, after.size() - suffix - prefix);
    const QByteArray value = file.encode(write.value);
    const QByteArray newline = newlineOf(before);

    // Rewritten in place (possibly to the same bytes): the key keeps its
    // spelling, the line its line end.
    if (gone.isEmpty() && added.isEmpty())
        return true;
    if (gone.size() == 1 && added.size() == 1) {
        const std::optional<QByteArray> name = keyNameOf(textOf(gone[0]));
        if (name && file.decode(*name).compare(write.key, Qt::CaseInsensitive) == 0 &&
            lineEndOf(gone[0]) == lineEndOf(added[0]) && textOf(added[0]) == *name + '=' + value)
            return true;
    }

    // Added: after a line that may need its line end first, which only the
    // file's last line can lack.
    QList<QByteArray> body = added;
    if (gone.size() == 1) {
        if (suffix != 0 || lineEndOf(gone[0]).endsWith('\n') || body.isEmpty() ||
            body.front() != completed(gone[0], newline))
            return false;
        body.removeFirst();
    } else if (!gone.isEmpty()) {
        return false;
    }
    const QByteArray keyLine = file.encode(write.key) + '=' + value + newline;
    if (body == QList<QByteArray>{keyLine})
        return true;
    const QByteArray header = '[' + file.encode(write.section) + ']' + newline;
    return suffix == 0 && body == QList<QByteArray>{header, keyLine};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> records = input.split('\0');
    IniFile file(records.front());
    // The line-by-line oracle below is for 8-bit files; a UTF-16 file is
    // written as its UTF-8 form would be, which the unit tests check.
    if (file.isUtf16())
        return 0;
    const bool utf8 = file.isUtf8();

    const QList<QByteArray> original = linesOf(file.bytes(), utf8);
    // For every line of the file as it is now, the original line it still is, or -1.
    QList<qsizetype> origin;
    for (qsizetype i = 0; i < original.size(); ++i)
        origin.push_back(i);
    QList<Expected> expected;

    int writes = 0;
    qsizetype changes = 0;
    for (qsizetype r = 1; r < records.size() && writes < MaxWrites; ++r, ++writes) {
        const Write write = writeFrom(records[r]);
        // Names the file's encoding cannot hold must be refused: written, they
        // would read back as other names.
        const bool namesHeld = file.decode(file.encode(write.section)) == write.section &&
                               file.decode(file.encode(write.key)) == write.key;

        const QByteArray bytesBefore = file.bytes();
        const bool accepted = file.setValue(write.section, write.key, write.value);
        CHECK(accepted == (namesHeld && acceptable(write.section, write.key, write.value)));
        if (!accepted) {
            CHECK(file.bytes() == bytesBefore);
            continue;
        }
        CHECK(file.isUtf8() == utf8 && file.bytes().startsWith(Bom) == utf8);
        ++changes;

        const QList<QByteArray> before = linesOf(bytesBefore, utf8);
        const QList<QByteArray> after = linesOf(file.bytes(), utf8);
        qsizetype prefix = 0;
        const qsizetype shorter = std::min(before.size(), after.size());
        while (prefix < shorter && before[prefix] == after[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
            ++suffix;
        CHECK(isWriteShaped(before, after, prefix, suffix, file, write));

        QList<qsizetype> next = origin.mid(0, prefix);
        for (qsizetype i = prefix; i < after.size() - suffix; ++i)
            next.push_back(-1);
        next += origin.mid(origin.size() - suffix);
        origin = next;
        CHECK(origin.size() == after.size());

        // The value reads back as the file's encoding holds it, without the
        // blanks around it.
        const QString value = trimmedBlanks(file.decode(file.encode(write.value)));
        bool known = false;
        for (Expected &e : expected) {
            if (e.section.compare(write.section, Qt::CaseInsensitive) == 0 &&
                e.key.compare(write.key, Qt::CaseInsensitive) == 0) {
                e.value = value;
                known = true;
            }
        }
        if (!known)
            expected.push_back(Expected{write.section, write.key, value});
        CHECK(readBack(file, write.section, write.key) == value);
    }

    // Every key written reads back its last value, in this file and in the
    // same bytes read afresh, as the next start of the program reads them.
    const IniFile fresh(file.bytes());
    CHECK(fresh.isUtf8() == utf8);
    for (const Expected &e : expected) {
        CHECK(readBack(file, e.section, e.key) == e.value);
        CHECK(readBack(fresh, e.section, e.key) == e.value);
    }

    // The untouched lines of the original, unchanged and in their order.
    const QList<QByteArray> now = linesOf(file.bytes(), utf8);
    qsizetype previous = -1;
    qsizetype untouched = 0;
    for (qsizetype i = 0; i < now.size(); ++i) {
        if (origin[i] < 0)
            continue;
        CHECK(origin[i] > previous);
        CHECK(now[i] == original[origin[i]]);
        previous = origin[i];
        ++untouched;
    }
    // A write touches at most one line of what was there.
    CHECK(untouched >= original.size() - changes);
    return 0;
}
