#include "ui/TrackBar.h"

#include <algorithm>
#include <commctrl.h>

namespace fw {

namespace {
// Newer than the headers at hand.
constexpr UINT kSetPosNotify = WM_USER + 34; // TBM_SETPOSNOTIFY
} // namespace

TrackBar::TrackBar(Window& parent, const Bounds& bounds, TrackBarOrientation orientation, TickMarks tickMarks)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_AUTOTICKS;
    style |= orientation == TrackBarOrientation::trHorizontal ? TBS_HORZ : TBS_VERT;
    switch (tickMarks) {
    case TickMarks::tmBottomRight: style |= orientation == TrackBarOrientation::trHorizontal ? TBS_BOTTOM : TBS_RIGHT; break;
    case TickMarks::tmTopLeft: style |= orientation == TrackBarOrientation::trHorizontal ? TBS_TOP : TBS_LEFT; break;
    case TickMarks::tmBoth: style |= TBS_BOTH; break;
    }
    CreateParams params;
    params.className = TRACKBAR_CLASSA;
    params.style = style;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    position_ = Position();
}

int TrackBar::Min() const
{
    return static_cast<int>(SendMessageA(Handle(), TBM_GETRANGEMIN, 0, 0));
}

int TrackBar::Max() const
{
    return static_cast<int>(SendMessageA(Handle(), TBM_GETRANGEMAX, 0, 0));
}

void TrackBar::SetRange(int min, int max)
{
    SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, min);
    SendMessageA(Handle(), TBM_SETRANGEMAX, TRUE, std::max(min, max));
}

int TrackBar::Position() const
{
    return static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0));
}

void TrackBar::SetPosition(int position)
{
    SendMessageA(Handle(), TBM_SETPOS, TRUE, std::clamp(position, Min(), Max()));
}

void TrackBar::SetFrequency(int frequency)
{
    SendMessageA(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency), 0);
}

void TrackBar::SetThumbLength(int pixels)
{
    SetWindowLongA(Handle(), GWL_STYLE, GetWindowLongA(Handle(), GWL_STYLE) | TBS_FIXEDLENGTH);
    SendMessageA(Handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(pixels), 0);
}

void TrackBar::ScaleControl(int m, int d)
{
    if (GetWindowLongA(Handle(), GWL_STYLE) & TBS_FIXEDLENGTH)
        SetThumbLength(MulDiv(static_cast<int>(SendMessageA(Handle(), TBM_GETTHUMBLENGTH, 0, 0)), m, d));
}

LRESULT TrackBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = Window::WndProc(msg, wParam, lParam);
    // The control tells its parent about the user's moves only; watching the
    // messages that can move the thumb catches the program's moves as well,
    // without help from the parent.
    switch (msg) {
    case TBM_SETPOS:
    case kSetPosNotify:
    case TBM_SETRANGE:
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_MOUSEWHEEL:
    case WM_CAPTURECHANGED:
        CheckPosition();
        break;
    default: break;
    }
    return result;
}

void TrackBar::CheckPosition()
{
    if (!Handle())
        return;
    const int position = Position();
    if (position == position_)
        return;
    position_ = position;
    if (OnChange)
        OnChange();
}

} // namespace fw
