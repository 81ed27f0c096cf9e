#include "ui/ScrollBox.h"
#include <algorithm>
#include <utility>

namespace fw {

namespace {
constexpr int kLineStep = 8;
constexpr int kWheelLines = 3;
} // namespace

ScrollBox::ScrollBox(Window& parent, const Bounds& bounds)
{
    CreateParams params;
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    params.exStyle = WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
}

void ScrollBox::SetAutoScroll(bool on)
{
    autoScroll_ = on;
    UpdateScrollBars();
}

void ScrollBox::SetBorder(bool on)
{
    LONG ex = GetWindowLongA(Handle(), GWL_EXSTYLE);
    ex = on ? (ex | WS_EX_CLIENTEDGE) : (ex & ~WS_EX_CLIENTEDGE);
    SetWindowLongA(Handle(), GWL_EXSTYLE, ex);
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE ScrollBox::ContentSize() const
{
    // In unscrolled coordinates: where the children would be at position 0.
    SIZE size{0, 0};
    for (Window* child : Children()) {
        if (!child->Visible())
            continue;
        const Bounds b = child->GetBounds();
        size.cx = std::max<LONG>(size.cx, b.left + b.width + hpos_);
        size.cy = std::max<LONG>(size.cy, b.top + b.height + vpos_);
    }
    return size;
}

void ScrollBox::ScrollTo(int x, int y)
{
    if (!Handle())
        return;
    const SIZE content = ContentSize();
    x = std::clamp(x, 0, std::max(0, static_cast<int>(content.cx) - ClientWidth()));
    y = std::clamp(y, 0, std::max(0, static_cast<int>(content.cy) - ClientHeight()));
    const int dx = hpos_ - x, dy = vpos_ - y;
    if (!dx && !dy)
        return;
    const bool wasUpdating = std::exchange(updating_, true);
    hpos_ = x;
    vpos_ = y;
    // The children move themselves (ScrollWindowEx leaves them where they
    // are while the box is hidden), then the box repaints.
    for (Window* child : Children()) {
        const Bounds b = child->GetBounds();
        SetWindowPos(child->Handle(), nullptr, b.left + dx, b.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    if (autoScroll_) {
        SetScrollPos(Handle(), SB_HORZ, hpos_, TRUE);
        SetScrollPos(Handle(), SB_VERT, vpos_, TRUE);
    }
    updating_ = wasUpdating;
}

void ScrollBox::UpdateScrollBars()
{
    if (updating_ || !Handle())
        return;
    updating_ = true;
    if (!autoScroll_) {
        ShowScrollBar(Handle(), SB_BOTH, FALSE);
        updating_ = false;
        return;
    }
    // Showing one bar narrows the other direction, so settle in a few rounds.
    for (int round = 0; round < 3; ++round) {
        const int width = ClientWidth(), height = ClientHeight();
        const SIZE content = ContentSize();
        updating_ = false;
        ScrollTo(hpos_, vpos_);
        updating_ = true;
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMax = std::max<int>(static_cast<int>(content.cx) - 1, 0);
        si.nPage = static_cast<UINT>(width);
        si.nPos = hpos_;
        SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
        si.nMax = std::max<int>(static_cast<int>(content.cy) - 1, 0);
        si.nPage = static_cast<UINT>(height);
        si.nPos = vpos_;
        SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
        if (ClientWidth() == width && ClientHeight() == height)
            break;
    }
    updating_ = false;
}

void ScrollBox::Scroll(int bar, int code)
{
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(Handle(), bar, &si);
    int pos = si.nPos;
    switch (code) {
    case SB_LINEUP: pos -= kLineStep; break;
    case SB_LINEDOWN: pos += kLineStep; break;
    case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    if (bar == SB_HORZ)
        ScrollTo(pos, vpos_);
    else
        ScrollTo(hpos_, pos);
}

LRESULT ScrollBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_HSCROLL:
        Scroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_VSCROLL:
        Scroll(SB_VERT, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        if (autoScroll_) {
            ScrollTo(hpos_, vpos_ - GET_WHEEL_DELTA_WPARAM(wParam) * kWheelLines * kLineStep / WHEEL_DELTA);
            return 0;
        }
        break;
    default: break;
    }
    return Window::WndProc(msg, wParam, lParam);
}

} // namespace fw
