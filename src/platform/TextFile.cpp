#include "platform/TextFile.h"

#include <QFile>
#include <QSaveFile>

namespace TextFile {

bool append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const qint64 written = file.write(bytes);
    const bool flushed = file.flush();
    file.close();
    return written == bytes.size() && flushed;
}

bool replace(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // A folder the user cannot write to still holds a file they may write:
    // then it is written in place, as an in-place writer always would.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool read(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

} // namespace TextFile
