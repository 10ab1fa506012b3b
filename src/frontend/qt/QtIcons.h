// The pictures of the main window and the notification-area icon.
#pragma once

#include "platform/MainView.h"

#include <QIcon>
#include <QString>
#include <array>
#include <optional>

// Loads each picture once. The stopped and running pictures are the files
// "PhoneA.Ico" and "PhoneB.Ico", looked for in the current directory and then
// in the program folder; when neither copy loads, the copy built into the
// program is used, so the window and the tray never go blank.
class QtIcons {
public:
    // Looks in QDir::currentPath() and the executable's folder as they are
    // when a picture is first asked for.
    QtIcons() = default;
    QtIcons(QString currentDir, QString programFolder);

    QIcon icon(AppIcon which);

    // The program-wide set, for the main window and the tray.
    static QIcon iconFor(AppIcon which);

    static QString fileName(AppIcon which);
    // The program's own copy: the multi-size program icon, or the built-in
    // twin of an icon file.
    static QIcon builtIn(AppIcon which);

private:
    QIcon load(AppIcon which) const;

    std::optional<QString> m_currentDir;
    std::optional<QString> m_programFolder;
    std::array<std::optional<QIcon>, 3> m_cache;
};
