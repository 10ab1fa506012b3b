// The main window: menus, the line " ＴＥＬ．" + number, and its geometry in
// twips. Every decision is the controller's; this class only draws and forwards.
#pragma once

#include "platform/MainView.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>

class MainController;
class QAction;
class QMenu;

class frmNubrel final : public QMainWindow, public MainView {
    Q_OBJECT
public:
    // The client area as designed, in twips.
    static constexpr double DesignClientWidth = 4215;
    static constexpr double DesignClientHeight = 1035;

    explicit frmNubrel(std::function<QIcon(AppIcon)> icons, QWidget *parent = nullptr);

    void attach(MainController *controller);

    // What the window shows; read on every repaint.
    void setLastNumberSource(std::function<std::u16string()> source)
    {
        m_lastNumber = std::move(source);
    }
    // The caller's name, drawn as a second line when there is one.
    void setLastNameSource(std::function<std::u16string()> source)
    {
        m_lastName = std::move(source);
    }
    QString paintedText() const;
    QString paintedName() const;
    QColor textColor() const { return m_textColor; }
    QFont displayFont() const { return m_font; }
    QMenu *popUpMenu() const { return m_mnuPopUp; }
    // The items of mnuPopUp as the icon's menu shows them, for a desktop that
    // shows that menu itself; a menu of the menu bar cannot also be exported.
    QMenu *trayMenu() const { return m_trayMenu; }
    QAction *delItem() const { return m_mnuDel; }
    QAction *delSeparator() const { return m_mnuDummy1; }
    QAction *taskItem() const { return m_mnuTask; }
    QAction *timeItem() const { return m_mnuTime; }
    QWidget *canvas() const { return m_canvas; }

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
    double twipsPerPixelX() const;
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

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenus();
    void paintCanvas();
    double twipsPerPixelY() const;
    QSize frameExtra() const;
    // The outer top-left corner in pixels: where the window is, or, where the
    // window system never tells (Wayland), where it was last asked to be.
    QPoint outerTopLeft() const;
    void applyOuterSize();

    std::function<QIcon(AppIcon)> m_icons;
    std::function<std::u16string()> m_lastNumber;
    std::function<std::u16string()> m_lastName;
    MainController *m_controller = nullptr;
    QWidget *m_canvas = nullptr;
    QMenu *m_mnuPopUp = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_mnuDel = nullptr;
    QAction *m_mnuDummy1 = nullptr;
    QAction *m_mnuTask = nullptr;
    QAction *m_mnuTime = nullptr;
    QColor m_textColor;
    QFont m_font;
    // The outer size asked for, in pixels; the frame is known only once the
    // window manager has framed the window, so the client size follows then.
    std::optional<QSize> m_outerSize;
    std::optional<QPoint> m_askedTopLeft; // kept for window systems that hide positions
    bool m_ending = false;
    bool m_watchingExposure = false;
};
