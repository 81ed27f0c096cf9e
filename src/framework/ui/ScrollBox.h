// A scrollable area for child controls (the wizard's image view). Its
// children keep client coordinates: moving a child is how an image is
// centred or panned; with AutoScroll the box shows scroll bars whenever its
// children reach beyond it.
#pragma once
#include "ui/Window.h"

namespace fw {

class ScrollBox : public Window {
public:
    ScrollBox(Window& parent, const Bounds& bounds);

    bool AutoScroll() const noexcept { return autoScroll_; }
    void SetAutoScroll(bool on);
    // The sunken border (on by default).
    void SetBorder(bool on);
    // How far the content is scrolled, in pixels.
    int HorzPosition() const noexcept { return hpos_; }
    int VertPosition() const noexcept { return vpos_; }
    void ScrollTo(int x, int y);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Resized() override { UpdateScrollBars(); }
    void ChildBoundsChanged(Window&) override { UpdateScrollBars(); }

private:
    void UpdateScrollBars();
    void Scroll(int bar, int code);
    SIZE ContentSize() const;

    bool autoScroll_ = true;
    bool updating_ = false;
    int hpos_ = 0;
    int vpos_ = 0;
};

} // namespace fw
