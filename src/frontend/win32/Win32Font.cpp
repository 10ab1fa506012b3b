#include "frontend/win32/Win32Font.h"

#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

#include <cmath>
#include <utility>

const std::u16string Win32Font::DesignFace = u"ＭＳ Ｐゴシック";

Win32Font::Win32Font(const std::u16string &face, double points, bool bold, bool italic,
                     bool underline, int dpi)
    : m_face(face), m_points(points), m_bold(bold), m_italic(italic), m_underline(underline),
      m_dpi(dpi > 0 ? dpi : Win32Screen::systemDpi())
{
    make();
}

void Win32Font::setDpi(int dpi)
{
    if (dpi <= 0 || dpi == m_dpi || m_face.empty())
        return;
    m_dpi = dpi;
    make();
}

void Win32Font::make()
{
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(m_points * m_dpi / 72.0));
    lf.lfWeight = m_bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = m_italic ? TRUE : FALSE;
    lf.lfUnderline = m_underline ? TRUE : FALSE;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const std::wstring name = toWide(m_face).substr(0, LF_FACESIZE - 1);
    name.copy(lf.lfFaceName, name.size());
    HFONT made = CreateFontIndirectW(&lf);
    if (m_font)
        DeleteObject(m_font);
    m_font = made;
}

Win32Font::~Win32Font()
{
    if (m_font)
        DeleteObject(m_font);
}

Win32Font::Win32Font(Win32Font &&other) noexcept
    : m_font(std::exchange(other.m_font, nullptr)), m_face(std::move(other.m_face)),
      m_points(other.m_points), m_bold(other.m_bold), m_italic(other.m_italic),
      m_underline(other.m_underline), m_dpi(other.m_dpi)
{
}

Win32Font &Win32Font::operator=(Win32Font &&other) noexcept
{
    if (this != &other) {
        if (m_font)
            DeleteObject(m_font);
        m_font = std::exchange(other.m_font, nullptr);
        m_face = std::move(other.m_face);
        m_points = other.m_points;
        m_bold = other.m_bold;
        m_italic = other.m_italic;
        m_underline = other.m_underline;
        m_dpi = other.m_dpi;
    }
    return *this;
}

std::u16string Win32Font::actualFace() const
{
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return {};
    HGDIOBJ old = SelectObject(dc, m_font);
    wchar_t face[LF_FACESIZE] = {};
    const int n = GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    DeleteDC(dc);
    return n > 0 ? fromWide(face) : std::u16string();
}
