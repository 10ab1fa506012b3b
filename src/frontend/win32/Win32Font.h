// A GDI font made from a face, a size in points and its style, and freed with
// its owner.
#pragma once

#include <string>
#include <windows.h>

class Win32Font {
public:
    Win32Font() = default;
    Win32Font(const std::u16string &face, double points, bool bold = false, bool italic = false,
              bool underline = false);
    ~Win32Font();
    Win32Font(const Win32Font &) = delete;
    Win32Font &operator=(const Win32Font &) = delete;
    Win32Font(Win32Font &&other) noexcept;
    Win32Font &operator=(Win32Font &&other) noexcept;

    HFONT get() const { return m_font; }
    // The face the system really gave for the font asked for.
    std::u16string actualFace() const;

    // The face every window of the program was drawn for.
    static const std::u16string DesignFace;

private:
    HFONT m_font = nullptr;
};
