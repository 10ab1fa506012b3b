// The user's phonebook: 電話帳.csv and 電話帳.vcf in the program folder, both
// optional. Read at start-up and read again when a file has changed, which is
// looked at when a new number comes in; nothing polls the files.
#pragma once

#include "phonebook/PhonebookEntry.h"

#include <QDateTime>
#include <QHash>
#include <QString>

class Phonebook {
public:
    static inline const QString CsvFile = QStringLiteral("/電話帳.csv");
    static inline const QString VcardFile = QStringLiteral("/電話帳.vcf");

    explicit Phonebook(QString programFolder);

    // Reads both files again if either has changed, appeared or gone since
    // they were last read.
    void refresh();
    // The name for a number as the device reports it; empty when unknown and
    // always for the withheld mark.
    QString nameFor(const QString &number) const;
    qsizetype size() const { return m_names.size(); }

    // The entries of both files: the first entry for a number wins, and the
    // CSV file, the one kept by hand, comes before the vCard export.
    static QHash<QString, QString> merge(const QList<PhonebookEntry> &csv,
                                         const QList<PhonebookEntry> &vcard);

private:
    // What tells a file's versions apart without reading it.
    struct Stamp {
        bool exists = false;
        QDateTime modified;
        qint64 size = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const QString &path);

    QString m_folder;
    Stamp m_csv;
    Stamp m_vcard;
    bool m_read = false;
    QHash<QString, QString> m_names;
};
