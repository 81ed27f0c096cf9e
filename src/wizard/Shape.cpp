#include "wizard/Shape.h"

TShape::TShape(fw::Window& parent, const fw::Bounds& bounds)
{
    CreateParams params;
    // It lies behind other controls: clipping them keeps it from painting over.
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TShape::SetPenColor(fw::Color color)
{
    pen_ = color;
    Invalidate();
}

void TShape::SetBrushColor(fw::Color color)
{
    brush_ = color;
    Invalidate();
}

LRESULT TShape::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Paint covers every pixel: erasing first would only flicker.
    if (msg == WM_ERASEBKGND)
        return 1;
    return Window::WndProc(msg, wParam, lParam);
}

void TShape::Paint(HDC dc, const RECT&)
{
    RECT rc{0, 0, ClientWidth(), ClientHeight()};
    const fw::BrushHandle fill(CreateSolidBrush(fw::ColorToRGB(brush_)));
    const fw::BrushHandle frame(CreateSolidBrush(fw::ColorToRGB(pen_)));
    FillRect(dc, &rc, fill.Get());
    FrameRect(dc, &rc, frame.Get());
}
