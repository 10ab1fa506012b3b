#include "phonebook/Phonebook.h"

#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookVcard.h"

#include <QFile>
#include <QFileInfo>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Phonebook::Phonebook(QString programFolder) : m_folder(std::move(programFolder)) {}

Phonebook::Stamp Phonebook::stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return Stamp{true, info.lastModified(), info.size()};
}

void Phonebook::refresh()
{
    const QString csvPath = m_folder + CsvFile;
    const QString vcardPath = m_folder + VcardFile;
    const Stamp csv = stampOf(csvPath);
    const Stamp vcard = stampOf(vcardPath);
    if (m_read && csv == m_csv && vcard == m_vcard)
        return;
    m_csv = csv;
    m_vcard = vcard;
    m_read = true;
    m_names =
        merge(csv.exists ? PhonebookCsv::read(readAll(csvPath)) : QList<PhonebookEntry>(),
              vcard.exists ? PhonebookVcard::read(readAll(vcardPath)) : QList<PhonebookEntry>());
}

QHash<QString, QString> Phonebook::merge(const QList<PhonebookEntry> &csv,
                                         const QList<PhonebookEntry> &vcard)
{
    QHash<QString, QString> names;
    names.reserve(csv.size() + vcard.size());
    for (const QList<PhonebookEntry> *entries : {&csv, &vcard}) {
        for (const PhonebookEntry &entry : *entries) {
            if (!names.contains(entry.number))
                names.insert(entry.number, entry.name);
        }
    }
    return names;
}

QString Phonebook::nameFor(const QString &number) const
{
    // Neither an empty number nor the withheld mark is ever a key.
    return m_names.value(PhonebookText::normaliseNumber(number));
}
