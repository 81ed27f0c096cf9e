// The full-screen surface on which the user cuts a rectangle out of a frozen
// copy of the screen: the copy itself, shown at one pixel per screen pixel
// on a borderless window over the whole primary screen; the focus frame that
// follows the drag; the cut; and the end of a capture, which gives the
// picture's memory back. The window it works on only routes its events here.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "gdi/DibBitmap.h"
#include "shell/CaptureSelection.h"
#include "ui/Form.h"
#include "ui/ImageControl.h"

class TCaptureSurface {
public:
    // Copies the primary screen into `into`, which has the screen's size.
    using TScreenCopier = std::function<void(fw::DibBitmap& into)>;
    // The copier of the program: one BitBlt from the screen's device context.
    static void CopyPrimaryScreen(fw::DibBitmap& into);

    // `window` is the borderless form that covers the screen during a
    // capture, `image` the picture control that fills it and receives the
    // mouse. Both outlive the surface.
    TCaptureSurface(fw::Form& window, fw::Image& image, TScreenCopier copyScreen = CopyPrimaryScreen);
    TCaptureSurface(const TCaptureSurface&) = delete;
    TCaptureSurface& operator=(const TCaptureSurface&) = delete;

    // Freezes the screen and shows it full-screen, topmost, with the
    // cross-hair cursor. A failure is raised after the capture has ended, so
    // nothing of it is kept.
    void Start();
    // A button went down at (x, y): a new selection starts there.
    void Press(int x, int y);
    // The pointer moved to (x, y): the frame follows while a selection is
    // under way.
    void Move(int x, int y);
    // A button went up: takes the frame away and ends the selection. False
    // when no press on the surface preceded it (the end of the very
    // double-click that opened the surface, or a button held down since
    // before), which selects nothing.
    bool FinishSelection();
    // The selected pixels, cut out of the frozen screen (only what of the
    // selection lies on it); the frozen screen goes, so the capture holds no
    // picture afterwards.
    fw::DibBitmap Cut();
    // Default cursor, surface hidden, the mouse released, the frozen
    // picture's memory given back. Harmless when no capture is under way.
    void End();

    // The frozen screen (the picture control's own picture); null outside a
    // capture.
    const fw::DibBitmap* Screen() const noexcept
    {
        return image_.Picture().Empty() ? nullptr : &image_.Picture();
    }
    TSelectionRect Selection() const noexcept
    {
        return NormalizedSelection(SelStartX, SelStartY, SelEndX, SelEndY);
    }
    bool Selecting() const noexcept { return selecting_; }
    // The surface covers the screen.
    bool Showing() const { return window_.Visible(); }

private:
    // The focus frame at the current selection, on the surface's canvas.
    void DrawSelection(fw::Canvas& surface);
    // Repaints the old frame from the frozen picture.
    void EraseSelection(fw::Canvas& surface);
    fw::Form& window_;
    fw::Image& image_;
    TScreenCopier copyScreen_;

    int SelStartX = 0;
    int SelStartY = 0;
    int SelEndX = 0;
    int SelEndY = 0;
    bool selecting_ = false;
};
