// Starts the desktop's text editor and web browser.
#pragma once

#include "platform/Launcher.h"

class QtLauncher final : public Launcher {
public:
    // Notepad on Windows; elsewhere the desktop's handler for text files.
    bool openTextFile(const QString &path) override;
    bool openUrl(const QString &url) override;
};
