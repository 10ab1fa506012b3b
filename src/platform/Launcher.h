// Other programs and windows the program opens without waiting for them.
#pragma once

#include <QString>

class Launcher {
public:
    virtual ~Launcher() = default;
    // The desktop's text editor on one file; the path is one argument, never
    // passed through a shell. False when nothing could be started.
    virtual bool openTextFile(const QString &path) = 0;
    // The desktop's web browser on an address.
    virtual bool openUrl(const QString &url) = 0;
};
