#include "frontend/qt/QtInstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

QString QtInstanceGuard::lockPathFor(const QString &programFolder)
{
    const QString canonical = QFileInfo(programFolder).canonicalFilePath();
    const QByteArray key =
        QCryptographicHash::hash((canonical.isEmpty() ? programFolder : canonical).toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QDir::tempPath() + QStringLiteral("/nubrel-") + QString::fromLatin1(key) +
           QStringLiteral(".lock");
}

QtInstanceGuard::QtInstanceGuard(const QString &programFolder)
    : m_lock(std::make_unique<QLockFile>(lockPathFor(programFolder)))
{
    m_lock->setStaleLockTime(0);
}

bool QtInstanceGuard::tryLock()
{
    return m_lock->tryLock(0);
}
