// The About box: product, version, the maker's contact lines, a notice and the
// link to the maker's home page. Modeless; at most one is open (the owner
// keeps it).
#pragma once

#include "dialogs/AboutLink.h"
#include "frontend/win32/Win32DialogBox.h"

#include <functional>
#include <memory>

class EventPump;
class Launcher;
class Prompts;

class frmNbAbout final : public Win32DialogBox {
public:
    static constexpr double ClientWidth = 5850; // twips
    static constexpr double ClientHeight = 3705;
    static const std::u16string HomeAddress;

    // The browser is looked for under `searchRoot`, the whole drive C by default.
    frmNbAbout(Prompts &prompts, Launcher &launcher, EventPump &events,
               std::function<bool()> isStopped, std::function<void()> mnuTime_Click, HICON icon,
               std::u16string searchRoot = AboutLink::SearchRoot);
    ~frmNbAbout() override;

    void cmdOK_Click();
    // Button and Shift as sets of bits (1 left, 2 right, 4 middle).
    void lblHome_MouseDown(int button, int shift, double x, double y);

    static std::u16string versionText();
    static std::u16string descriptionText();
    static std::u16string disclaimerText();

private:
    void onInit() override;
    void onCommand(int id, int code) override;
    bool textColourOf(int id, COLORREF &colour) const override;
    void onPaint(HDC dc) override;
    void onCancel() override;
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Shared so that a launch under way outlives a box closed meanwhile.
    std::shared_ptr<AboutLink> m_link;
    std::shared_ptr<bool> m_alive;
    HICON m_icon;
    Win32Font m_titleFont;
    Win32Font m_nameFont;
    Win32Font m_linkFont;
};
