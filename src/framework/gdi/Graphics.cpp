#include "gdi/Graphics.h"
#include "base/Errors.h"
#include <cstring>

namespace fw {

namespace {
constexpr const char* kCreateFontFailed = "Cannot create font";
constexpr const char* kCreateDCFailed = "Cannot create device context";
} // namespace

COLORREF ColorToRGB(Color color) noexcept
{
    if (color & kSystemColorFlag)
        return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color & 0x00FFFFFF);
}

WindowDC::WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd))
{
    if (!dc_)
        RaiseLastOSError(kCreateDCFailed);
}

WindowDC::~WindowDC()
{
    ReleaseDC(hwnd_, dc_);
}

MemoryDC::MemoryDC(HDC reference) : dc_(CreateCompatibleDC(reference))
{
    if (!dc_)
        RaiseLastOSError(kCreateDCFailed);
}

MemoryDC::~MemoryDC()
{
    DeleteDC(dc_);
}

PaintDC::PaintDC(HWND hwnd) : hwnd_(hwnd)
{
    BeginPaint(hwnd_, &ps_);
}

PaintDC::~PaintDC()
{
    EndPaint(hwnd_, &ps_);
}

int ScreenDpi() noexcept
{
    WindowDC screen;
    const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

int Font::HeightForPoints(int points)
{
    return HeightForPoints(points, ScreenDpi());
}

int Font::Points() const
{
    return Points(ScreenDpi());
}

LOGFONTA Font::ToLogFont() const
{
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = (style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (style & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    std::strncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
    return lf;
}

FontHandle Font::Create() const
{
    LOGFONTA lf = ToLogFont();
    HFONT h = CreateFontIndirectA(&lf);
    if (!h)
        RaiseLastOSError(kCreateFontFailed);
    return FontHandle(h);
}

} // namespace fw
