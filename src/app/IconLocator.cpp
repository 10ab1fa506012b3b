#include "app/IconLocator.h"

#include <QDir>

QString locateIconFile(const QString &name, const QString &currentDir, const QString &programFolder,
                       const std::function<bool(const QString &path)> &loads)
{
    if (name.isEmpty())
        return QString();
    QString tried;
    for (const QString &folder : {currentDir, programFolder}) {
        if (folder.isEmpty())
            continue;
        const QString path = QDir::cleanPath(QDir(folder).absoluteFilePath(name));
        // The current directory is normally the program folder: one load is enough.
        if (path == tried)
            continue;
        tried = path;
        if (loads(path))
            return path;
    }
    return QString();
}
