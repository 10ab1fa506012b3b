// File writes that never leave a file half-written.
#pragma once

#include <QByteArray>
#include <QString>

namespace TextFile {
// Appends in one write and closes the file again; creates it when missing.
// False when nothing (or not everything) could be written.
bool append(const QString &path, const QByteArray &bytes);
// Replaces the whole file through a temporary file in the same folder and a
// rename, so readers see the old or the new file, never a broken one; where
// the folder takes no temporary file, a writable file is written in place.
bool replace(const QString &path, const QByteArray &bytes);
// Reads the whole file; false when it is missing or unreadable.
bool read(const QString &path, QByteArray &bytes);
} // namespace TextFile
