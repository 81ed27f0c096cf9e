// GDI building blocks: colours (RGB or system colour), font descriptions and
// small owners for device contexts and GDI objects, so every handle taken in a
// step is given back on every path out of it.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <utility>

namespace fw {

// A colour: either an RGB value (0x00BBGGRR, like COLORREF) or, with the top
// bit set, a system colour index (COLOR_BTNFACE...) resolved when used.
using Color = std::uint32_t;

constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color SystemColor(int index) { return kSystemColorFlag | static_cast<Color>(index); }

constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clRed = 0x0000FF;
constexpr Color clGreen = 0x008000;
constexpr Color clBlue = 0xFF0000;
constexpr Color clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr Color clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr Color clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr Color clWindow = SystemColor(COLOR_WINDOW);
constexpr Color clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr Color clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr Color clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr Color clInfoBk = SystemColor(COLOR_INFOBK);
constexpr Color clGrayText = SystemColor(COLOR_GRAYTEXT);

// The RGB value of a colour, looking system colours up now.
COLORREF ColorToRGB(Color color) noexcept;

// Owner of one GDI object (pen, brush, font, bitmap, palette, region).
template <class Handle>
class GdiObject {
public:
    GdiObject() noexcept = default;
    explicit GdiObject(Handle h) noexcept : h_(h) {}
    GdiObject(GdiObject&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    Handle Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    void Reset(Handle h = nullptr) noexcept
    {
        if (h_)
            DeleteObject(h_);
        h_ = h;
    }
    [[nodiscard]] Handle Release() noexcept { return std::exchange(h_, nullptr); }

private:
    Handle h_ = nullptr;
};

using PenHandle = GdiObject<HPEN>;
using BrushHandle = GdiObject<HBRUSH>;
using FontHandle = GdiObject<HFONT>;
using BitmapHandle = GdiObject<HBITMAP>;
using PaletteHandle = GdiObject<HPALETTE>;
using RegionHandle = GdiObject<HRGN>;

// The device context of a window's client area, or of the whole screen for a
// null window (GetDC / ReleaseDC).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd = nullptr);
    ~WindowDC();
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory device context compatible with `reference` (the screen when null).
class MemoryDC {
public:
    explicit MemoryDC(HDC reference = nullptr);
    ~MemoryDC();
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// BeginPaint / EndPaint for a WM_PAINT handler.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd);
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const noexcept { return ps_.hdc; }
    const RECT& PaintRect() const noexcept { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

// Selects a GDI object into a DC and puts the previous one back afterwards.
class SelectObjectGuard {
public:
    SelectObjectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectObjectGuard()
    {
        if (old_ && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    SelectObjectGuard(const SelectObjectGuard&) = delete;
    SelectObjectGuard& operator=(const SelectObjectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Saves the whole DC state (SaveDC / RestoreDC).
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) noexcept : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDCState()
    {
        if (id_)
            RestoreDC(dc_, id_);
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc_;
    int id_;
};

enum FontStyle : unsigned {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

// A font as a value: face, height in pixels (negative = character height,
// as in LOGFONT), style bits and text colour.
// The screen's pixels per inch (the system's, for a per-monitor aware
// program); 96 when the screen cannot be asked.
int ScreenDpi() noexcept;

struct Font {
    std::string name = "MS Sans Serif";
    int height = -11;
    unsigned style = 0;
    Color color = clWindowText;

    bool operator==(const Font&) const = default;

    // Height for a size in points on the screen.
    static int HeightForPoints(int points);
    // Height for a size in points at `dpi` pixels per inch (a form's font is
    // written for 96 and scales with the form).
    static int HeightForPoints(int points, int dpi) noexcept { return -MulDiv(points, dpi, 72); }
    int Points() const;
    int Points(int dpi) const noexcept { return MulDiv(height < 0 ? -height : height, 72, dpi); }

    LOGFONTA ToLogFont() const;
    // A new GDI font for this description; raises fw::Error on failure.
    FontHandle Create() const;
};

} // namespace fw
