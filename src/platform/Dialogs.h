// The program's own windows that the menu commands open.
#pragma once

#include <string>

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // frmNbEnv, modal: returns when it has been closed. It works on the shared
    // state and sets EnvRegistered when "登録" succeeded.
    virtual void showSettingsDialog() = 0;
    // frmNbAbout, modeless; a second call brings the open box forward.
    virtual void showAbout() = 0;
    virtual void closeAbout() = 0;
    // The modeless help window on the manual at `path`; it reports a missing
    // file itself. A second call brings it forward.
    virtual void showManual(const std::u16string &path) = 0;
    virtual void closeManual() = 0;
};
