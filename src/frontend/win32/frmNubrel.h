// The main window: menus, the line " ＴＥＬ．" + number, and its geometry in
// twips. Every decision is the controller's; this class only draws and forwards.
#pragma once

#include "frontend/win32/Win32Font.h"
#include "platform/MainView.h"

#include <functional>
#include <optional>
#include <string>
#include <windows.h>

class MainController;
class Win32Icons;
class Win32TrayIcon;

class frmNubrel final : public MainView {
public:
    // The client area as designed, in twips.
    static constexpr double DesignClientWidth = 4215;
    static constexpr double DesignClientHeight = 1035;
    // Menu command identifiers.
    enum Command : UINT {
        mnuDel = 1001,
        mnuTask,
        mnuTime,
        mnuEND,
        mnuHistry,
        mnuFont,
        mnuEnv,
        mnuMnual,
        mnuAbout,
    };

    explicit frmNubrel(Win32Icons &icons);
    ~frmNubrel() override;
    frmNubrel(const frmNubrel &) = delete;
    frmNubrel &operator=(const frmNubrel &) = delete;

    // Creates the window hidden, in its design size where the system puts it.
    bool create();
    void attach(MainController *controller, Win32TrayIcon *tray);
    void setLastNumberSource(std::function<std::u16string()> source)
    {
        m_lastNumber = std::move(source);
    }
    void setLastNameSource(std::function<std::u16string()> source)
    {
        m_lastName = std::move(source);
    }

    HWND hwnd() const { return m_hwnd; }
    HMENU popUpMenu() const { return m_mnuPopUp; }

    // MainView
    std::u16string title() const override;
    void setTitle(const std::u16string &title) override;
    void setTextColor(std::uint32_t rgb) override;
    void repaint() override;
    void showWindow() override;
    void hideWindow() override;
    WindowState windowState() const override;
    void setWindowState(WindowState state) override;
    double top() const override;
    double left() const override;
    double height() const override;
    double width() const override;
    void setTop(double twips) override;
    void setLeft(double twips) override;
    void setHeight(double twips) override;
    void setWidth(double twips) override;
    FontSpec font() const override;
    void setFontFace(const std::u16string &face) override;
    void setFontSize(double points) override;
    void setFontBold(bool bold) override;
    void setFontItalic(bool italic) override;
    void setIcon(AppIcon icon) override;
    void setTaskCaption(const std::u16string &caption) override;
    void setTimeCaption(const std::u16string &caption) override;
    void setDelItemsVisible(bool visible) override;
    void resetMousePointer() override;
    void endProgram() override;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void buildMenus();
    void command(UINT id);
    void paint(HDC dc);
    void Form_MouseDown(int button, int x);
    RECT outerRect() const;
    void moveOuter(const RECT &outer);
    void remakeFont();
    // Laid out again for the resolution of the monitor it is now on.
    void applyDpi(int dpi, const RECT *suggested);

    Win32Icons &m_icons;
    MainController *m_controller = nullptr;
    Win32TrayIcon *m_tray = nullptr;
    std::function<std::u16string()> m_lastNumber;
    std::function<std::u16string()> m_lastName;
    HWND m_hwnd = nullptr;
    HMENU m_menuBar = nullptr;
    HMENU m_mnuPopUp = nullptr;
    bool m_delItemsShown = false;
    COLORREF m_textColor;
    FontSpec m_fontSpec;
    Win32Font m_font;
    // The resolution of the monitor the window is on; sizes go by it.
    int m_dpi;
    // The state asked for before the window was first shown.
    std::optional<WindowState> m_pendingState;
    bool m_everShown = false;
    bool m_ending = false;
    UINT m_taskbarCreated = 0;
};
