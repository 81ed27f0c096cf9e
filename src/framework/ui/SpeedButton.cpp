#include "ui/SpeedButton.h"

#include <windowsx.h>

#include "base/Errors.h"
#include "gdi/Graphics.h"
#include "ui/Dpi.h"

namespace fw {

namespace {

constexpr char kNoGlyph[] = "The button's picture is missing";
constexpr int kGlyphSpacing = 4; // between glyph and caption, design pixels

} // namespace

SpeedButton::SpeedButton(Window& parent, const Bounds& bounds, const std::string& caption)
{
    CreateParams params;
    params.style = WS_CHILD | WS_VISIBLE;
    params.parent = &parent;
    params.bounds = bounds;
    params.text = caption;
    CreateHandle(params);
}

SpeedButton::~SpeedButton() = default;

void SpeedButton::LoadGlyph(HINSTANCE module, int id)
{
    const BitmapHandle bitmap(static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap)
        throw Error(kNoGlyph);
    DibBitmap glyph = DibBitmap::FromBitmap(bitmap.Get());
    if (glyph.Empty())
        throw Error(kNoGlyph);
    glyphBackground_ = glyph.Canvas().Pixel(0, 0);
    glyphBitmap_ = std::move(glyph);
    ShowGlyph();
}

// The glyph and its spacing are design pixels, drawn at the form's scale
// whenever the glyph was loaded.
void SpeedButton::ShowGlyph()
{
    if (glyphBitmap_.Empty())
        return;
    const int dpi = LayoutDpi(*this);
    glyph_ = std::make_unique<ImageList>(ImageList::FromStrip(glyphBitmap_, 1, ScaleToDpi(glyphBitmap_.Width(), dpi),
                                                              ScaleToDpi(glyphBitmap_.Height(), dpi), glyphBackground_));
    glyphSpacing_ = ScaleToDpi(kGlyphSpacing, dpi);
    Invalidate();
}

void SpeedButton::ScaleControl(int, int)
{
    // The form's DPI is already the new one.
    ShowGlyph();
}

void SpeedButton::Click()
{
    if (OnClick)
        OnClick();
}

void SpeedButton::SetState(bool hot, bool down)
{
    if (hot == hot_ && down == down_)
        return;
    hot_ = hot;
    down_ = down;
    Invalidate();
}

bool SpeedButton::PointInside(LPARAM lParam) const
{
    RECT rc;
    GetClientRect(Handle(), &rc);
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&rc, point) != FALSE;
}

LRESULT SpeedButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MOUSEMOVE: {
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        const bool inside = PointInside(lParam);
        SetState(inside, GetCapture() == Handle() && inside);
        break;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (GetCapture() != Handle())
            SetState(false, false);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(Handle());
        SetState(true, true);
        break;
    case WM_LBUTTONUP: {
        const bool clicked = GetCapture() == Handle() && PointInside(lParam);
        ReleaseCapture();
        SetState(PointInside(lParam), false);
        if (clicked)
            Click();
        break;
    }
    case WM_CAPTURECHANGED:
        SetState(hot_, false);
        break;
    case WM_ENABLE:
        SetState(false, false);
        Invalidate();
        break;
    default: break;
    }
    return Window::WndProc(msg, wParam, lParam);
}

void SpeedButton::Paint(HDC dc, const RECT&)
{
    RECT rc;
    GetClientRect(Handle(), &rc);
    const bool enabled = Enabled();
    if (enabled && down_)
        DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
    else if (enabled && hot_)
        DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);

    // Glyph and caption, centred together; pressed, they move by a pixel.
    const std::string caption = Text();
    SelectObjectGuard font(dc, FontHandle());
    SIZE text{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    const int gap = glyph_ && !caption.empty() ? glyphSpacing_ : 0;
    const int width = (glyph_ ? glyph_->Width() : 0) + gap + text.cx;
    const int shift = down_ ? 1 : 0;
    int x = (rc.right - width) / 2 + shift;
    if (glyph_) {
        const int y = (rc.bottom - glyph_->Height()) / 2 + shift;
        // Disabled, the glyph fades into the background.
        ImageList_DrawEx(glyph_->Handle(), 0, dc, x, y, 0, 0, CLR_NONE, enabled ? CLR_DEFAULT : ColorToRGB(GetColor()),
                         enabled ? ILD_TRANSPARENT : ILD_TRANSPARENT | ILD_BLEND50);
        x += glyph_->Width() + gap;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(enabled ? Font().color : clGrayText));
    RECT textRect{x, rc.top + shift, rc.right, rc.bottom + shift};
    DrawTextA(dc, caption.c_str(), -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace fw
