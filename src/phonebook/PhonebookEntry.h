// One number and name of the user's phonebook, and the rules both readers
// share for turning what a file holds into them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

struct PhonebookEntry {
    QString number; // digits only, as normaliseNumber gives them
    QString name;
    bool operator==(const PhonebookEntry &) const = default;
};

namespace PhonebookText {
// Digits only: blanks, hyphens, parentheses, dots and anything else that is
// not a digit are dropped (full-width digits count as digits), and a country
// prefix 81, written with or without '+', becomes the trunk 0. "+81 (0)3-…"
// keeps its one 0. Empty when no digit is left.
QString normaliseNumber(QStringView text);

// A name as it may be shown on one line: control characters (a line end an
// address book kept inside a name, a tab) become blanks, byte-order marks go,
// and so do the blanks around it.
QString cleanName(QStringView text);

// Bytes taken by a UTF-8 byte-order mark at the start of a file: 3, or 0.
qsizetype utf8MarkLength(const QByteArray &bytes);

// The entry for one number and name; an empty number when either is empty, or
// when the number is the withheld mark, which must never find a name.
PhonebookEntry makeEntry(QStringView number, QStringView name);
} // namespace PhonebookText
