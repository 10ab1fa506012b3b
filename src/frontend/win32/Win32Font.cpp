#include "frontend/win32/Win32Font.h"

#include "frontend/win32/Win32Screen.h"
#include "frontend/win32/Win32Text.h"

#include <cmath>
#include <map>
#include <utility>
#include <vector>

const std::u16string Win32Font::DesignFace = u"ＭＳ Ｐゴシック";

namespace {
std::map<std::u16string, BYTE> &chosenCharsets()
{
    static std::map<std::u16string, BYTE> chosen;
    return chosen;
}

int CALLBACK addCharset(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM sets)
{
    reinterpret_cast<std::vector<BYTE> *>(sets)->push_back(font->lfCharSet);
    return 1;
}

// The character sets the system has the face in, in the order it lists them.
std::vector<BYTE> charsetsOf(const std::u16string &face)
{
    std::vector<BYTE> sets;
    HDC dc = GetDC(nullptr);
    if (!dc)
        return sets;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::wstring name = toWide(face).substr(0, LF_FACESIZE - 1);
    name.copy(lf.lfFaceName, name.size());
    EnumFontFamiliesExW(dc, &lf, &addCharset, reinterpret_cast<LPARAM>(&sets), 0);
    ReleaseDC(nullptr, dc);
    return sets;
}
} // namespace

BYTE Win32Font::charsetFor(const std::u16string &face)
{
    const auto &chosen = chosenCharsets();
    if (const auto it = chosen.find(face); it != chosen.end())
        return it->second;
    if (face == DesignFace)
        return SHIFTJIS_CHARSET;
    const std::vector<BYTE> sets = charsetsOf(face);
    for (BYTE set : sets) {
        if (set == SHIFTJIS_CHARSET)
            return set;
    }
    return sets.empty() ? SHIFTJIS_CHARSET : sets.front();
}

void Win32Font::rememberCharset(const std::u16string &face, BYTE charset)
{
    chosenCharsets()[face] = charset;
}

Win32Font::Win32Font(const std::u16string &face, double points, bool bold, bool italic,
                     bool underline, int dpi, BYTE charset)
    : m_face(face), m_points(points), m_bold(bold), m_italic(italic), m_underline(underline),
      m_dpi(dpi > 0 ? dpi : Win32Screen::systemDpi()), m_charset(charset)
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
    lf.lfCharSet = m_charset;
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
      m_underline(other.m_underline), m_dpi(other.m_dpi), m_charset(other.m_charset)
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
        m_charset = other.m_charset;
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
