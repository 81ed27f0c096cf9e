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
        ScreenBitmap.reset();
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        ScreenBitmap = std::make_unique<fw::DibBitmap>(fw::DibBitmap::ScreenCompatible(width, height));
        // Copied before the window shows, so the picture never holds the window.
        copyScreen_(*ScreenBitmap);

        // Topmost, so that no always-on-top window covers the frozen screen or
        // takes the drag.
        SetWindowPos(window_.Handle(), HWND_TOPMOST, 0, 0, width, height, SWP_NOACTIVATE);
        selecting_ = false;
        // The picture goes in just before the window shows, so the first paint
        // is the frozen screen rather than a flash of empty background.
        image_.SetPicture(*ScreenBitmap);
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
    DrawSelection();
}

void TCaptureSurface::Move(int x, int y)
{
    if (!selecting_)
        return;
    EraseSelection();
    SelEndX = x;
    SelEndY = y;
    DrawSelection();
}

bool TCaptureSurface::FinishSelection()
{
    if (!selecting_ || !ScreenBitmap)
        return false;
    EraseSelection();
    selecting_ = false;
    return true;
}

fw::DibBitmap TCaptureSurface::Cut()
{
    if (!ScreenBitmap)
        return {};
    const TSelectionRect selection = ClampSelection(Selection(), ScreenBitmap->Width(), ScreenBitmap->Height());
    ScreenBitmap->Resize(selection.Width(), selection.Height());
    if (!ScreenBitmap->Empty())
        BitBlt(ScreenBitmap->Canvas().Handle(), 0, 0, selection.Width(), selection.Height(),
               image_.Picture().Canvas().Handle(), selection.left, selection.top, SRCCOPY);
    fw::DibBitmap cut = std::move(*ScreenBitmap);
    ScreenBitmap.reset();
    return cut;
}

// The picture control is a window of its own over the whole form, so the
// frame is drawn on its device context; its coordinates are the form's.
void TCaptureSurface::DrawSelection()
{
    fw::WindowCanvas canvas(image_.Handle());
    canvas.DrawFocusRect(ToRect(Selection()));
}

// Only the old frame and what it encloses are repainted, from the frozen
// picture: the frame is not inverted a second time, so a paint that came in
// between can never leave a stray frame behind.
void TCaptureSurface::EraseSelection()
{
    fw::DibBitmap& picture = image_.Picture();
    if (picture.Empty())
        return;
    const RECT r = ToRect(FrameRepaintRect(Selection(), picture.Width(), picture.Height()));
    fw::WindowCanvas canvas(image_.Handle());
    canvas.CopyRect(r, picture.Canvas(), r);
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
    // The frozen screen is large: its memory goes now, not at the next capture.
    image_.Picture().Clear();
    ScreenBitmap.reset();
}
