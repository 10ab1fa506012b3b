// Any bytes as 電話帳.csv and as 電話帳.vcf: never fatal, and every entry is one
// the look-up can use. What is read, written back in the same form, reads the
// same again.
#include "FuzzCheck.h"
#include "phonebook/Phonebook.h"
#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookVcard.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

void checkEntries(const QList<PhonebookEntry> &entries)
{
    for (const PhonebookEntry &entry : entries) {
        // A number: digits only, normalised already, never the withheld mark.
        CHECK(!entry.number.isEmpty());
        for (const QChar c : entry.number)
            CHECK(c >= u'0' && c <= u'9');
        CHECK(PhonebookText::normaliseNumber(entry.number) == entry.number);
        CHECK(entry.number != QStringLiteral("99999999999"));
        // A name: one line, no blanks around it.
        CHECK(!entry.name.isEmpty());
        CHECK(entry.name == entry.name.trimmed());
        CHECK(!entry.name.contains(QChar(0xFEFF)));
        for (const QChar c : entry.name)
            CHECK(c.category() != QChar::Other_Control && c != QChar::LineSeparator &&
                  c != QChar::ParagraphSeparator);
    }
    // The first entry of a number is the one found.
    const QHash<QString, QString> names = Phonebook::merge(entries, {});
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        CHECK(names.contains(it->number));
    for (const PhonebookEntry &entry : entries) {
        if (names.value(entry.number) != entry.name) {
            bool earlier = false;
            for (const PhonebookEntry &other : entries) {
                if (&other == &entry)
                    break;
                earlier = earlier || other.number == entry.number;
            }
            CHECK(earlier);
        }
    }
}

QByteArray asCsv(const QList<PhonebookEntry> &entries)
{
    QString text;
    for (const PhonebookEntry &entry : entries) {
        QString name = entry.name;
        name.replace(u'"', QStringLiteral("\"\""));
        text += entry.number + QStringLiteral(",\"") + name + QStringLiteral("\"\r\n");
    }
    return FuzzCheck::Bom + text.toUtf8();
}

QByteArray asVcard(const QList<PhonebookEntry> &entries)
{
    QByteArray bytes;
    for (const PhonebookEntry &entry : entries) {
        QString name = entry.name;
        name.replace(u'\\', QStringLiteral("\\\\"));
        name.replace(u',', QStringLiteral("\\,"));
        name.replace(u';', QStringLiteral("\\;"));
        bytes += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name.toUtf8() +
                 "\r\nTEL:" + entry.number.toUtf8() + "\r\nEND:VCARD\r\n";
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    const QList<PhonebookEntry> csv = PhonebookCsv::read(input);
    checkEntries(csv);
    CHECK(csv.size() <= input.count('\n') + 1);
    CHECK(PhonebookCsv::read(asCsv(csv)) == csv);

    const QList<PhonebookEntry> vcard = PhonebookVcard::read(input);
    checkEntries(vcard);
    CHECK(PhonebookVcard::read(asVcard(vcard)) == vcard);
    return 0;
}
