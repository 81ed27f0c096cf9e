#include "shell/CaptureSurface.h"

#include <utility>

#include "gdi/Canvas.h"
#include "gdi/Graphics.h"
#include "ui/Application.h"

namespace {

RECT ToRect(const TSelectionRect& r) noexcept
{
    return RECT{r.left, r.top, r.right, r.bottom};
}

} // namespace

void TCaptureSurface::CopyPrimaryScreen(fw::DibBitmap& into)
{
    fw::WindowDC screen(nullptr);
    BitBlt(into.Canvas().Handle(), 0, 0, into.Width(), into.Height(), screen.Get(), 0, 0, SRCCOPY);
}

TCaptureSurface::TCaptureSurface(fw::Form& window, fw::Image& image, TScreenCopier copyScreen)
    : window_(window), image_(image), copyScreen_(std::move(copyScreen))
{
    // The surface is a passing state of the program, not a window of its
    // own for the user to switch to: no taskbar button, no Alt+Tab entry.
    window_.SetShowInTaskbar(false);
}

void TCaptureSurface::Start()
{
    try {
        image_.Picture().Clear();
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        fw::DibBitmap screen = fw::DibBitmap::ScreenCompatible(width, height);
        // Copied before the window shows, so the picture never holds the window.
        copyScreen_(screen);

        // Topmost, so that no always-on-top window covers the frozen screen or
        // takes the drag.
        SetWindowPos(window_.Handle(), HWND_TOPMOST, 0, 0, width, height, SWP_NOACTIVATE);
        selecting_ = false;
        // The picture goes in just before the window shows, so the first paint
        // is the frozen screen rather than a flash of empty background. The
        // control's picture is the frozen screen itself: one screen's worth
        // of memory, never a second copy.
        image_.SetPicture(std::move(screen));
        window_.Show();
        image_.Update();
        fw::App().SetScreenCursor(fw::crCross);
    } catch (...) {
        // A start that fails keeps nothing: not the surface, not a screen's
        // worth of memory until the next capture.
        End();
        throw;
    }
}

void TCaptureSurface::Press(int x, int y)
{
    SelStartX = SelEndX = x;
    SelStartY = SelEndY = y;
    selecting_ = true;
    fw::WindowCanvas surface(image_.Handle());
    DrawSelection(surface);
}

void TCaptureSurface::Move(int x, int y)
{
    if (!selecting_)
        return;
    fw::WindowCanvas surface(image_.Handle());
    EraseSelection(surface);
    SelEndX = x;
    SelEndY = y;
    DrawSelection(surface);
}

bool TCaptureSurface::FinishSelection()
{
    if (!selecting_ || !Screen())
        return false;
    fw::WindowCanvas surface(image_.Handle());
    EraseSelection(surface);
    selecting_ = false;
    return true;
}

fw::DibBitmap TCaptureSurface::Cut()
{
    fw::DibBitmap& screen = image_.Picture();
    if (screen.Empty())
        return {};
    const TSelectionRect selection = ClampSelection(Selection(), screen.Width(), screen.Height());
    // The cut has the frozen screen's format (and palette, at 8 bits).
    fw::DibBitmap cut(selection.Width(), selection.Height(), screen.PixelFormat());
    if (!screen.Palette().empty())
        cut.SetPalette(screen.Palette());
    if (!cut.Empty())
        BitBlt(cut.Canvas().Handle(), 0, 0, selection.Width(), selection.Height(), screen.Canvas().Handle(),
               selection.left, selection.top, SRCCOPY);
    // The capture holds no picture afterwards.
    screen.Clear();
    return cut;
}

// The picture control is a window of its own over the whole form, so the
// frame is drawn on its device context; its coordinates are the form's.
void TCaptureSurface::DrawSelection(fw::Canvas& surface)
{
    surface.DrawFocusRect(ToRect(Selection()));
}

// Only the old frame's edges are repainted, from the frozen picture: the
// frame is not inverted a second time, so a paint that came in between can
// never leave a stray frame behind, and the inside, which the frame never
// touched, costs nothing however large the selection is.
void TCaptureSurface::EraseSelection(fw::Canvas& surface)
{
    fw::DibBitmap& picture = image_.Picture();
    if (picture.Empty())
        return;
    for (const TSelectionRect& strip : FrameEdgeStrips(Selection(), picture.Width(), picture.Height())) {
        if (strip.Width() <= 0 || strip.Height() <= 0)
            continue;
        const RECT r = ToRect(strip);
        surface.CopyRect(r, picture.Canvas(), r);
    }
}

void TCaptureSurface::End()
{
    fw::App().SetScreenCursor(fw::crDefault);
    window_.Hide();
    // The picture control took the mouse when the button went down; a drag
    // abandoned by Escape or a switch of window must not leave the hidden
    // surface holding it, or it swallows the user's next drag.
    const HWND captured = GetCapture();
    if (captured && (captured == image_.Handle() || captured == window_.Handle()))
        ReleaseCapture();
    selecting_ = false;
    // The frozen screen is large: its memory goes now, not at the next
    // capture. So does the window system's buffer behind the hidden
    // full-screen window, which a window of no size gives back.
    image_.Picture().Clear();
    SetWindowPos(window_.Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
