// A flat tool button with a glyph left of its caption. It takes no keyboard
// focus, so a click leaves the focus where it was: flat at rest, raised
// while the mouse is over it, sunken while it is held down. A press and
// release over the button runs OnClick.
#pragma once
#include "ui/ImageList.h"
#include "ui/Window.h"

#include <commctrl.h>

#include <memory>
#include <string>

namespace fw {

class SpeedButton : public Window {
public:
    SpeedButton(Window& parent, const Bounds& bounds, const std::string& caption = {});
    ~SpeedButton() override;

    std::string Caption() const { return Text(); }
    // The glyph: bitmap resource `id` of `module`, its top-left pixel's colour
    // showing the background. Raises fw::Error when the module lacks it.
    void LoadGlyph(HINSTANCE module, int id);
    bool HasGlyph() const noexcept { return glyph_ != nullptr; }
    // The glyph as drawn (its size follows the display scale), or null.
    const ImageList* Glyph() const noexcept { return glyph_.get(); }

    // What a click does.
    void Click();
    NotifyEvent OnClick;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& area) override;
    // The glyph and its distance from the caption grow with the layout.
    void ScaleControl(int m, int d) override;

private:
    void SetState(bool hot, bool down);
    bool PointInside(LPARAM lParam) const;

    void ShowGlyph();

    // The glyph as loaded, kept to be drawn again at another scale.
    DibBitmap glyphBitmap_;
    Color glyphBackground_ = 0;
    std::unique_ptr<ImageList> glyph_;
    int glyphSpacing_ = 0; // between glyph and caption, at the form's scale
    bool hot_ = false;  // the mouse is over the button
    bool down_ = false; // pressed, and the mouse is over it
    bool tracking_ = false;
};

} // namespace fw
