// A GDI font made from a face, a size in points and its style for a screen
// resolution, and freed with its owner; made again for another resolution.
#pragma once

#include <string>
#include <windows.h>

class Win32Font {
public:
    Win32Font() = default;
    // The character set takes part in the system's choice of face: one the
    // face lacks makes the system give another face that has it.
    Win32Font(const std::u16string &face, double points, bool bold = false, bool italic = false,
              bool underline = false, int dpi = 0, BYTE charset = SHIFTJIS_CHARSET);
    ~Win32Font();
    Win32Font(const Win32Font &) = delete;
    Win32Font &operator=(const Win32Font &) = delete;
    Win32Font(Win32Font &&other) noexcept;
    Win32Font &operator=(Win32Font &&other) noexcept;

    HFONT get() const { return m_font; }
    // The resolution the font is made for; 0 before any was asked.
    int dpi() const { return m_dpi; }
    // Makes the font again for another resolution, the same in points.
    void setDpi(int dpi);
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
    void make();

    HFONT m_font = nullptr;
    std::u16string m_face;
    double m_points = 0;
    bool m_bold = false;
    bool m_italic = false;
    bool m_underline = false;
    int m_dpi = 0;
    BYTE m_charset = SHIFTJIS_CHARSET;
};
