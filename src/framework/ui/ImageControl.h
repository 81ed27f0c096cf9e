// A control that shows a bitmap and reports the mouse over it (the capture
// surface, the wizard's screenshot and banner).
#pragma once
#include "gdi/DibBitmap.h"
#include "ui/Window.h"

namespace fw {

class Image : public Window {
public:
    Image(Window& parent, const Bounds& bounds);

    // The picture. Drawing on its canvas, assigning or resizing it repaints
    // the control (and resizes it when AutoSize is on).
    DibBitmap& Picture() noexcept { return picture_; }
    const DibBitmap& Picture() const noexcept { return picture_; }
    void SetPicture(const DibBitmap& bitmap) { picture_ = bitmap; }
    void SetPicture(DibBitmap&& bitmap) { picture_ = std::move(bitmap); }

    // Stretch: the picture fills the control; otherwise it is drawn at its
    // own size from the top-left corner.
    bool Stretch() const noexcept { return stretch_; }
    void SetStretch(bool on);
    // AutoSize: the control takes the picture's size.
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool on);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& area) override;
    // A scaled picture box (a banner) grows with the layout: its picture is
    // stretched to it from then on.
    void ScaleControl(int m, int d) override;

private:
    void PictureChanged();
    bool PictureCoversClient() const;

    DibBitmap picture_;
    bool stretch_ = false;
    bool autoSize_ = false;
    // The whole control is invalid and waits for its paint (with its
    // background erased first).
    bool paintPending_ = false;
    bool erasePending_ = false;
};

} // namespace fw
