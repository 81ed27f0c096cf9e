#include "ui/ImageControl.h"

namespace fw {

Image::Image(Window& parent, const Bounds& bounds)
{
    CreateParams params;
    // Controls laid over the picture (the editor's text box) stay on top
    // when it repaints.
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    captureMouse_ = true;
    picture_.OnChange = [this] { PictureChanged(); };
}

void Image::SetStretch(bool on)
{
    stretch_ = on;
    Invalidate();
}

void Image::SetAutoSize(bool on)
{
    autoSize_ = on;
    PictureChanged();
}

void Image::ScaleControl(int, int)
{
    autoSize_ = false;
    if (!stretch_)
        SetStretch(true);
}

void Image::PictureChanged()
{
    if (!Handle())
        return;
    if (autoSize_ && (Width() != picture_.Width() || Height() != picture_.Height())) {
        Bounds b = GetBounds();
        b.width = picture_.Width();
        b.height = picture_.Height();
        SetBounds(b);
    }
    // No erase when the picture covers everything: it would only flicker.
    const bool erase = !PictureCoversClient();
    // A drag draws many times between two paints: while the whole control
    // waits for its paint, asking again would only cost a system call.
    if (paintPending_ && (erasePending_ || !erase))
        return;
    paintPending_ = true;
    erasePending_ = erase;
    InvalidateRect(Handle(), nullptr, erase);
}

bool Image::PictureCoversClient() const
{
    if (picture_.Empty())
        return false;
    return stretch_ || (picture_.Width() >= ClientWidth() && picture_.Height() >= ClientHeight());
}

LRESULT Image::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND && PictureCoversClient())
        return 1;
    return Window::WndProc(msg, wParam, lParam);
}

void Image::Paint(HDC dc, const RECT&)
{
    paintPending_ = false;
    if (picture_.Empty())
        return;
    if (stretch_)
        picture_.PaintTo(dc, RECT{0, 0, ClientWidth(), ClientHeight()});
    else
        picture_.PaintTo(dc, RECT{0, 0, picture_.Width(), picture_.Height()});
}

} // namespace fw
