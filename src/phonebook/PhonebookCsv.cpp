#include "phonebook/PhonebookCsv.h"

#include "platform/Cp932.h"

namespace {

QStringView unquote(QStringView field, QString &buffer)
{
    field = field.trimmed();
    if (field.size() < 2 || !field.startsWith(u'"') || !field.endsWith(u'"'))
        return field;
    buffer = field.sliced(1, field.size() - 2).toString();
    buffer.replace(QLatin1String("\"\""), QLatin1String("\""));
    return buffer;
}

} // namespace

namespace PhonebookCsv {

QList<PhonebookEntry> read(const QByteArray &bytes)
{
    const qsizetype mark = PhonebookText::utf8MarkLength(bytes);
    const QString text = mark ? QString::fromUtf8(bytes.sliced(mark)) : Cp932::decode(bytes);

    QList<PhonebookEntry> entries;
    QString numberBuffer;
    QString nameBuffer;
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        line = line.trimmed(); // also the CR of a CR LF
        if (line.isEmpty() || line.front() == u'#' || line.front() == u';')
            continue;
        const qsizetype comma = line.indexOf(u',');
        if (comma < 0)
            continue;
        PhonebookEntry entry = PhonebookText::makeEntry(
            unquote(line.first(comma), numberBuffer), unquote(line.sliced(comma + 1), nameBuffer));
        if (!entry.number.isEmpty())
            entries.append(std::move(entry));
    }
    return entries;
}

} // namespace PhonebookCsv
