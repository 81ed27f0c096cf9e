#include "gdi/Canvas.h"
#include "gdi/DibBitmap.h"
#include "base/Errors.h"
#include <algorithm>

namespace fw {

namespace {

constexpr const char* kCreatePenFailed = "Cannot create pen";
constexpr const char* kCreateBrushFailed = "Cannot create brush";

int GdiPenStyle(PenStyle style)
{
    switch (style) {
    case PenStyle::psSolid: return PS_SOLID;
    case PenStyle::psDash: return PS_DASH;
    case PenStyle::psDot: return PS_DOT;
    case PenStyle::psClear: return PS_NULL;
    }
    return PS_SOLID;
}

// Selects `object` and remembers what it replaced the first time round, so
// the DC can be handed back with its own objects.
void SelectRemembering(HDC dc, HGDIOBJ object, HGDIOBJ& original)
{
    HGDIOBJ previous = SelectObject(dc, object);
    if (!original)
        original = previous;
}

} // namespace

Canvas::~Canvas()
{
    Deselect();
}

void Canvas::Deselect() noexcept
{
    if (dc_) {
        if (originalPen_)
            SelectObject(dc_, originalPen_);
        if (originalBrush_)
            SelectObject(dc_, originalBrush_);
        if (originalFont_)
            SelectObject(dc_, originalFont_);
    }
    originalPen_ = originalBrush_ = originalFont_ = nullptr;
    penHandle_.Reset();
    brushHandle_.Reset();
    fontHandle_.Reset();
}

void Canvas::SetHandle(HDC dc)
{
    if (dc == dc_)
        return;
    Deselect();
    dc_ = dc;
}

void Canvas::RequirePen()
{
    if (!dc_ || (penHandle_ && pen == realizedPen_))
        return;
    HPEN h = CreatePen(GdiPenStyle(pen.style), std::max(pen.width, 1), ColorToRGB(pen.color));
    if (!h)
        RaiseLastOSError(kCreatePenFailed);
    PenHandle fresh(h);
    SelectRemembering(dc_, h, originalPen_);
    penHandle_ = std::move(fresh);
    realizedPen_ = pen;
    SetROP2(dc_, R2_COPYPEN);
}

void Canvas::RequireBrush()
{
    if (!dc_ || (brushHandle_ && brush == realizedBrush_))
        return;
    LOGBRUSH lb{};
    lb.lbStyle = brush.style == BrushStyle::bsClear ? BS_NULL : BS_SOLID;
    lb.lbColor = ColorToRGB(brush.color);
    HBRUSH h = CreateBrushIndirect(&lb);
    if (!h)
        RaiseLastOSError(kCreateBrushFailed);
    BrushHandle fresh(h);
    SelectRemembering(dc_, h, originalBrush_);
    brushHandle_ = std::move(fresh);
    realizedBrush_ = brush;
}

void Canvas::RequireFont()
{
    if (!dc_)
        return;
    // The colour is not part of the GDI font; compare the rest.
    Font shape = font;
    shape.color = realizedFont_.color;
    if (!fontHandle_ || !(shape == realizedFont_)) {
        FontHandle fresh = font.Create();
        SelectRemembering(dc_, fresh.Get(), originalFont_);
        fontHandle_ = std::move(fresh);
    }
    realizedFont_ = font;
    SetTextColor(dc_, ColorToRGB(font.color));
}

void Canvas::RequireAll()
{
    RequirePen();
    RequireBrush();
    RequireFont();
}

void Canvas::Changed()
{
    if (OnChange)
        OnChange();
}

Color Canvas::Pixel(int x, int y) const
{
    if (!dc_)
        return CLR_INVALID;
    return GetPixel(dc_, x, y);
}

void Canvas::SetPixel(int x, int y, Color color)
{
    if (!dc_)
        return;
    SetPixelV(dc_, x, y, ColorToRGB(color));
    Changed();
}

void Canvas::MoveTo(int x, int y)
{
    if (dc_)
        MoveToEx(dc_, x, y, nullptr);
}

void Canvas::LineTo(int x, int y)
{
    if (!dc_)
        return;
    RequirePen();
    ::LineTo(dc_, x, y);
    Changed();
}

void Canvas::Line(int x1, int y1, int x2, int y2)
{
    MoveTo(x1, y1);
    LineTo(x2, y2);
}

void Canvas::Rectangle(int left, int top, int right, int bottom)
{
    if (!dc_)
        return;
    RequirePen();
    RequireBrush();
    ::Rectangle(dc_, left, top, right, bottom);
    Changed();
}

void Canvas::Ellipse(int left, int top, int right, int bottom)
{
    if (!dc_)
        return;
    RequirePen();
    RequireBrush();
    ::Ellipse(dc_, left, top, right, bottom);
    Changed();
}

void Canvas::FillRect(const RECT& rect)
{
    if (!dc_ || brush.style == BrushStyle::bsClear)
        return;
    RequireBrush();
    ::FillRect(dc_, &rect, brushHandle_.Get());
    Changed();
}

void Canvas::FrameRect(const RECT& rect)
{
    if (!dc_ || brush.style == BrushStyle::bsClear)
        return;
    RequireBrush();
    ::FrameRect(dc_, &rect, brushHandle_.Get());
    Changed();
}

void Canvas::TextOut(int x, int y, const std::string& text)
{
    if (!dc_)
        return;
    RequireAll();
    if (brush.style == BrushStyle::bsClear) {
        SetBkMode(dc_, TRANSPARENT);
    } else {
        SetBkMode(dc_, OPAQUE);
        SetBkColor(dc_, ColorToRGB(brush.color));
    }
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
    Changed();
}

SIZE Canvas::TextExtent(const std::string& text)
{
    SIZE size{0, 0};
    if (!dc_)
        return size;
    RequireFont();
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

namespace {

// Every other pixel, in a checkerboard: the dots of a focus frame.
HBRUSH DottedBrush()
{
    static const BrushHandle brush = [] {
        const WORD rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
        const BitmapHandle pattern(CreateBitmap(8, 8, 1, 1, rows));
        return BrushHandle(pattern ? CreatePatternBrush(pattern.Get()) : nullptr);
    }();
    return brush.Get();
}

} // namespace

void Canvas::DrawFocusRect(const RECT& rect)
{
    if (!dc_ || rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    const HBRUSH dots = DottedBrush();
    // The dotted frame inverts every other pixel of its edges (black and
    // white as the pattern's colours make XOR a pure inversion), so drawing
    // it twice takes it away. Drawn as four one-pixel strips of a pattern
    // rather than with a dotted pen, a long edge costs a row or a run per
    // strip instead of a call per dot: at 4K the frame follows the mouse.
    COLORREF oldText = SetTextColor(dc_, RGB(0, 0, 0));
    COLORREF oldBk = SetBkColor(dc_, RGB(255, 255, 255));
    if (!dots) {
        ::DrawFocusRect(dc_, &rect); // the same dots, drawn the slow way
    } else {
        SelectObjectGuard dotted(dc_, dots);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        PatBlt(dc_, rect.left, rect.top, width, 1, PATINVERT);
        if (height > 1)
            PatBlt(dc_, rect.left, rect.bottom - 1, width, 1, PATINVERT);
        if (height > 2) {
            PatBlt(dc_, rect.left, rect.top + 1, 1, height - 2, PATINVERT);
            if (width > 1)
                PatBlt(dc_, rect.right - 1, rect.top + 1, 1, height - 2, PATINVERT);
        }
    }
    SetTextColor(dc_, oldText);
    SetBkColor(dc_, oldBk);
    Changed();
}

void Canvas::CopyRect(const RECT& destRect, const Canvas& source, const RECT& sourceRect)
{
    if (!dc_ || !source.dc_)
        return;
    const int dw = destRect.right - destRect.left, dh = destRect.bottom - destRect.top;
    const int sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
    if (dw == sw && dh == sh) {
        BitBlt(dc_, destRect.left, destRect.top, dw, dh, source.dc_, sourceRect.left,
               sourceRect.top, SRCCOPY);
    } else {
        SetStretchBltMode(dc_, COLORONCOLOR);
        StretchBlt(dc_, destRect.left, destRect.top, dw, dh, source.dc_, sourceRect.left,
                   sourceRect.top, sw, sh, SRCCOPY);
    }
    Changed();
}

void Canvas::Draw(int x, int y, const DibBitmap& bitmap)
{
    StretchDraw(RECT{x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap);
}

void Canvas::StretchDraw(const RECT& rect, const DibBitmap& bitmap)
{
    if (!dc_ || bitmap.Empty())
        return;
    bitmap.PaintTo(dc_, rect);
    Changed();
}

WindowCanvas::WindowCanvas(HWND hwnd) : dc_(hwnd)
{
    SetHandle(dc_.Get());
}

WindowCanvas::~WindowCanvas()
{
    SetHandle(nullptr);
}

} // namespace fw
