#include "phonebook/PhonebookEntry.h"

#include "state/ProgramState.h"

namespace PhonebookText {

QString normaliseNumber(QStringView text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            digits += c;
        else if (u >= u'０' && u <= u'９')
            digits += QChar(u'0' + (u - u'０'));
    }
    // The country prefix: "+81 3-1234-5678", "81312345678", and the common
    // "+81 (0)3-…", whose 0 is the trunk 0 already.
    if (digits.size() > 2 && digits.startsWith(QLatin1String("81"))) {
        digits.remove(0, 2);
        if (!digits.startsWith(u'0'))
            digits.prepend(u'0');
    }
    return digits;
}

QString cleanName(QStringView text)
{
    QString name = text.toString();
    // A byte-order mark is invisible and means nothing inside a name; UTF-8
    // decoding drops it only at the very start of a value, so drop it always.
    name.remove(QChar(0xFEFF));
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return name.trimmed();
}

qsizetype utf8MarkLength(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

PhonebookEntry makeEntry(QStringView number, QStringView name)
{
    PhonebookEntry entry{normaliseNumber(number), cleanName(name)};
    if (entry.name.isEmpty() || entry.number == WithheldMark)
        entry.number.clear();
    return entry;
}

} // namespace PhonebookText
