#include "platform/qt/QtLauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QUrl>

bool QtLauncher::openTextFile(const QString &path)
{
    // An argument list, never a shell: the path may hold blanks, quotes or
    // anything else a file name can.
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("notepad.exe"), {QDir::toNativeSeparators(path)});
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
#endif
}

bool QtLauncher::openUrl(const QString &url)
{
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}
