#include "frontend/win32/Win32Font.h"

#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

#include <cmath>
#include <utility>

const std::u16string Win32Font::DesignFace = u"ＭＳ Ｐゴシック";

Win32Font::Win32Font(const std::u16string &face, double points, bool bold, bool italic,
                     bool underline)
{
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(points * Win32Screen::dpiY() / 72.0));
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const std::wstring name = toWide(face).substr(0, LF_FACESIZE - 1);
    name.copy(lf.lfFaceName, name.size());
    m_font = CreateFontIndirectW(&lf);
}

Win32Font::~Win32Font()
{
    if (m_font)
        DeleteObject(m_font);
}

Win32Font::Win32Font(Win32Font &&other) noexcept : m_font(std::exchange(other.m_font, nullptr)) {}

Win32Font &Win32Font::operator=(Win32Font &&other) noexcept
{
    if (this != &other) {
        if (m_font)
            DeleteObject(m_font);
        m_font = std::exchange(other.m_font, nullptr);
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
