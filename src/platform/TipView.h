// The pop-up that shows the number while the main window is in the tray.
#pragma once

class TipView {
public:
    virtual ~TipView() = default;
    // Creates the pop-up hidden and places it once, near the bottom right.
    virtual void loadTip() = 0;
    virtual bool isTipVisible() const = 0;
    virtual void showTip() = 0; // never takes the focus
    virtual void hideTip() = 0;
    virtual void refreshTip() = 0;
    virtual void unloadTip() = 0;
};
