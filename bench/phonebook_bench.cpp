// Loading the phonebook: 100,000 entries as 電話帳.csv (CP932), as 電話帳.vcf
// (vCard 3.0, UTF-8) and as a phone's vCard 2.1 export (Shift_JIS in
// quoted-printable), read through the program's own Phonebook; then the
// look-up of a number, found and not found, and the check for a change that
// every new call makes.
//
// Prints one tab-separated row per figure: "row", figure, measured, target, verdict.
#include "BenchRows.h"
#include "frontend/qt/QtText.h"
#include "phonebook/Phonebook.h"
#include "platform/Cp932.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

using BenchRows::median;
using BenchRows::row;

QString number(int i)
{
    return QStringLiteral("03-%1-%2").arg(1000 + i / 10000).arg(i % 10000, 4, 10, QChar(u'0'));
}

QString name(int i)
{
    return QStringLiteral("山田 太郎%1（株式会社テスト）").arg(i);
}

QByteArray quotedPrintable(const QByteArray &bytes)
{
    QByteArray out;
    for (const char c : bytes)
        out += '=' + QByteArray::number(static_cast<unsigned char>(c), 16).toUpper();
    return out;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    QString csv;
    QByteArray vcard3;
    QByteArray vcard21;
    for (int i = 0; i < entries; ++i) {
        csv += number(i) + u',' + name(i) + QStringLiteral("\r\n");
        vcard3 += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name(i).toUtf8() +
                  "\r\nTEL;TYPE=HOME:" + number(i).toUtf8() + "\r\nEND:VCARD\r\n";
        vcard21 += "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" +
                   quotedPrintable(QByteArray::fromStdString(Cp932::encode(fromQt(name(i))))) +
                   "\r\nTEL;HOME;VOICE:" + number(i).toUtf8() + "\r\nEND:VCARD\r\n";
    }
    const struct {
        const char *what;
        QString file;
        QByteArray bytes;
    } books[] = {
        {"電話帳.csv, CP932", toQt(Phonebook::CsvFile),
         QByteArray::fromStdString(Cp932::encode(fromQt(csv)))},
        {"電話帳.vcf, vCard 3.0 UTF-8", toQt(Phonebook::VcardFile), vcard3},
        {"電話帳.vcf, vCard 2.1 Shift_JIS quoted-printable", toQt(Phonebook::VcardFile), vcard21},
    };

    bool allMet = true;
    for (const auto &book : books) {
        QTemporaryDir folder;
        if (!write(folder.path() + book.file, book.bytes))
            return 1;
        std::vector<double> loads;
        qsizetype loaded = 0;
        for (int run = 0; run < runs; ++run) {
            Phonebook phonebook(fromQt(folder.path()));
            const auto t0 = Steady::now();
            phonebook.refresh();
            loads.push_back(msSince(t0));
            loaded = static_cast<qsizetype>(phonebook.size());
        }
        const double ms = median(loads);
        const bool met = ms < 1000 && loaded == entries;
        allMet = allMet && met;
        row(QStringLiteral("phonebook load, %1 entries, %2 (%3 MB), median of %4")
                .arg(entries)
                .arg(QString::fromUtf8(book.what))
                .arg(book.bytes.size() / 1e6, 0, 'f', 1)
                .arg(runs),
            QStringLiteral("%1 ms (%2 loaded)").arg(ms, 0, 'f', 0).arg(loaded),
            QStringLiteral("< 1000 ms"), met);
    }

    // The look-up, on a small book and on the big one: its time must not grow
    // with the book. Then the check for a change.
    const int lookups = 200000;
    const auto lookUp = [&](int size) {
        QString text;
        for (int i = 0; i < size; ++i)
            text += number(i) + u',' + name(i) + QStringLiteral("\r\n");
        QTemporaryDir dir;
        write(dir.path() + toQt(Phonebook::CsvFile),
              QByteArray::fromStdString(Cp932::encode(fromQt(text))));
        Phonebook book(fromQt(dir.path()));
        book.refresh();
        // The numbers as a device reports them, made before the clock starts.
        std::vector<std::u16string> known;
        std::vector<std::u16string> unknown;
        for (int i = 0; i < 1000; ++i) {
            known.push_back(fromQt(number(i % size).remove(u'-')));
            unknown.push_back(fromQt(QString::number(9000000000LL + i)));
        }
        qsizetype found = 0;
        const auto t0 = Steady::now();
        for (int i = 0; i < lookups; ++i)
            found += !book.nameFor(known[i % known.size()]).empty();
        const double hit = msSince(t0) * 1000.0 / lookups;
        const auto t1 = Steady::now();
        for (int i = 0; i < lookups; ++i)
            found -= !book.nameFor(unknown[i % unknown.size()]).empty();
        const double miss = msSince(t1) * 1000.0 / lookups;
        row(QStringLiteral("phonebook look-up in %1 entries, found / not found").arg(size),
            QStringLiteral("%1 us / %2 us").arg(hit, 0, 'f', 3).arg(miss, 0, 'f', 3),
            QStringLiteral("the same for any size"), BenchRows::sound(found == lookups));
        return hit;
    };
    const double small = lookUp(100);
    const double big = lookUp(entries);
    row(QStringLiteral("  big / small"), QString::number(big / small, 'f', 2),
        QStringLiteral("~1 (< 2)"), big / small < 2);

    QTemporaryDir folder;
    write(folder.path() + toQt(Phonebook::CsvFile),
          QByteArray::fromStdString(Cp932::encode(fromQt(csv))));
    Phonebook phonebook(fromQt(folder.path()));
    phonebook.refresh();
    const int checks = 2000;
    const auto t0 = Steady::now();
    for (int i = 0; i < checks; ++i)
        phonebook.refresh();
    row(QStringLiteral("phonebook check for a change, unchanged files, per new call"),
        QStringLiteral("%1 us").arg(msSince(t0) * 1000.0 / checks, 0, 'f', 1), QStringLiteral("-"),
        std::nullopt);
    return allMet ? 0 : 1;
}
