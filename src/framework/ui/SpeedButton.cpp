#include "ui/SpeedButton.h"

#include <windowsx.h>

#include "base/Errors.h"
#include "gdi/Graphics.h"

namespace fw {

namespace {

constexpr char kNoGlyph[] = "The button's picture is missing";
constexpr int kGlyphSpacing = 4; // between glyph and caption

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

SpeedButton::~SpeedButton()
{
    if (glyph_)
        ImageList_Destroy(glyph_);
}

void SpeedButton::LoadGlyph(HINSTANCE module, int id)
{
    const BitmapHandle bitmap(static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap.Get(), sizeof info, &info))
        throw Error(kNoGlyph);
    COLORREF background = 0;
    {
        MemoryDC dc;
        SelectObjectGuard selected(dc.Get(), bitmap.Get());
        background = GetPixel(dc.Get(), 0, 0);
    }
    HIMAGELIST list = ImageList_Create(info.bmWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, 1, 0);
    if (!list || ImageList_AddMasked(list, bitmap.Get(), background) < 0) {
        if (list)
            ImageList_Destroy(list);
        throw Error(kNoGlyph);
    }
    if (glyph_)
        ImageList_Destroy(glyph_);
    glyph_ = list;
    glyphSize_ = {info.bmWidth, info.bmHeight};
    Invalidate();
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
    const int gap = glyph_ && !caption.empty() ? kGlyphSpacing : 0;
    const int width = (glyph_ ? glyphSize_.cx : 0) + gap + text.cx;
    const int shift = down_ ? 1 : 0;
    int x = (rc.right - width) / 2 + shift;
    if (glyph_) {
        const int y = (rc.bottom - glyphSize_.cy) / 2 + shift;
        // Disabled, the glyph fades into the background.
        ImageList_DrawEx(glyph_, 0, dc, x, y, 0, 0, CLR_NONE, enabled ? CLR_DEFAULT : ColorToRGB(GetColor()),
                         enabled ? ILD_TRANSPARENT : ILD_TRANSPARENT | ILD_BLEND50);
        x += glyphSize_.cx + gap;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(enabled ? Font().color : clGrayText));
    RECT textRect{x, rc.top + shift, rc.right, rc.bottom + shift};
    DrawTextA(dc, caption.c_str(), -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace fw
