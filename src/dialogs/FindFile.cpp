#include "dialogs/FindFile.h"

#include "platform/EventPump.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace {

// Name order without regard to case; names that differ only in case keep a
// fixed order among themselves.
bool listedBefore(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

// Hidden entries stay out of the listing, as in the system's own listers.
QStringList listed(const QDir &dir, QDir::Filters filters)
{
    QStringList names = dir.entryList(filters | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end(), listedBefore);
    return names;
}

// The path with exactly one separator between it and a name that follows.
QString withSeparator(const QString &path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

} // namespace

void FindFile(const QString &fileName, const QString &directory, QString &found, EventPump &events)
{
    if (!found.isEmpty())
        return;
    const QString base = withSeparator(QDir::fromNativeSeparators(directory));
    const QDir dir(base);
    // An unreadable directory lists nothing and is passed over.
    for (const QString &sub : listed(dir, QDir::Dirs | QDir::NoSymLinks)) {
        events.processPendingEvents();
        FindFile(fileName, base + sub, found, events);
        if (!found.isEmpty())
            return;
    }
    for (const QString &name : listed(dir, QDir::Files)) {
        if (QString::compare(name, fileName, Qt::CaseInsensitive) == 0) {
            found = QDir::toNativeSeparators(base + name);
            return;
        }
    }
}
