// What the logic needs of the main window: title, colour, geometry in twips,
// font, icon and the captions of its menu items.
#pragma once

#include <cstdint>
#include <string>

struct FontSpec {
    std::u16string face;
    double size = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec &) const = default;
};

enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

// The pictures the window and the tray icon can show.
enum class AppIcon { BuiltIn, Stopped, Running };

class MainView {
public:
    virtual ~MainView() = default;

    virtual std::u16string title() const = 0;
    virtual void setTitle(const std::u16string &title) = 0;
    // 0xRRGGBB.
    virtual void setTextColor(std::uint32_t rgb) = 0;
    virtual void repaint() = 0;

    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual WindowState windowState() const = 0;
    virtual void setWindowState(WindowState state) = 0;

    // Outer geometry in twips.
    virtual double top() const = 0;
    virtual double left() const = 0;
    virtual double height() const = 0;
    virtual double width() const = 0;
    virtual void setTop(double twips) = 0;
    virtual void setLeft(double twips) = 0;
    virtual void setHeight(double twips) = 0;
    virtual void setWidth(double twips) = 0;

    // font().face is the face the window really has, not the one asked for.
    virtual FontSpec font() const = 0;
    virtual void setFontFace(const std::u16string &face) = 0;
    virtual void setFontSize(double points) = 0;
    virtual void setFontBold(bool bold) = 0;
    virtual void setFontItalic(bool italic) = 0;

    virtual void setIcon(AppIcon icon) = 0;

    virtual void setTaskCaption(const std::u16string &caption) = 0;
    virtual void setTimeCaption(const std::u16string &caption) = 0;
    virtual void setDelItemsVisible(bool visible) = 0; // mnuDel and mnuDummy1
    virtual void resetMousePointer() = 0;

    // Closes every window, stops the timer and leaves the event loop.
    virtual void endProgram() = 0;
};
