// A GDI font made from a face, a size in points and its style, and freed with
// its owner.
#pragma once

#include <string>
#include <windows.h>

class Win32Font {
public:
    Win32Font() = default;
    // The character set takes part in the system's choice of face: one the
    // face lacks makes the system give another face that has it.
    Win32Font(const std::u16string &face, double points, bool bold = false, bool italic = false,
              bool underline = false, BYTE charset = SHIFTJIS_CHARSET);
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

    // The character set a font of `face` is made with: the one the font
    // dialog gave with that face in this run; otherwise the face's own, its
    // Japanese one where it has one. The designed face and faces not
    // installed take the Japanese set the windows were drawn for.
    static BYTE charsetFor(const std::u16string &face);
    // What the font dialog returned with a face.
    static void rememberCharset(const std::u16string &face, BYTE charset);

private:
    HFONT m_font = nullptr;
};
