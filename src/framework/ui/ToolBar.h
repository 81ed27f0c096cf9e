// A vertical tool bar: one flat button per row with a 16 x 16 glyph and a
// hint. Check-group buttons act like radio buttons (one at most is down,
// clicking the one that is down leaves it down); plain buttons spring back.
// Each button reports clicks and the mouse pressed and released over it.
#pragma once
#include "ui/ImageList.h"
#include "ui/ToolTip.h"
#include "ui/Window.h"
#include <memory>
#include <string>
#include <vector>

namespace fw {

enum class ToolButtonStyle { tbsButton, tbsCheckGroup };

class ToolBar;

// One button, addressed like a control of its own.
class ToolButton {
public:
    ToolButton(const ToolButton&) = delete;
    ToolButton& operator=(const ToolButton&) = delete;

    int Index() const noexcept { return index_; }
    const std::string& Hint() const noexcept { return hint_; }
    // Down: a check button that is checked (or any button being pressed).
    bool Down() const;
    // Putting a check-group button down puts the others of its group up.
    void SetDown(bool down);
    // Place in the tool bar's client area.
    Bounds GetBounds() const;
    int Left() const { return GetBounds().left; }
    int Top() const { return GetBounds().top; }
    int Width() const { return GetBounds().width; }
    int Height() const { return GetBounds().height; }

    NotifyEvent OnClick;
    // A mouse button pressed over this button, and released after that
    // (wherever the pointer is then); coordinates in the tool bar's client
    // area.
    MouseEvent OnMouseDown;
    MouseEvent OnMouseUp;

private:
    friend class ToolBar;
    ToolButton(ToolBar& bar, int index, std::string hint) : bar_(bar), index_(index), hint_(std::move(hint)) {}
    int Command() const noexcept;

    ToolBar& bar_;
    int index_;
    std::string hint_;
};

class ToolBar : public Window {
public:
    ToolBar(Window& parent, const Bounds& bounds);
    ~ToolBar() override;

    // The glyphs the buttons show, by index: square glyphs side by side in
    // one strip (its height is their size), whose pixels of colour
    // `transparent` let the button through. Kept, so that the glyphs can be
    // drawn again at another display scale.
    void SetGlyphs(const DibBitmap& strip, Color transparent);
    const ImageList* Images() const noexcept { return images_.get(); }
    // Appends a button in a row of its own.
    ToolButton& AddButton(int imageIndex, ToolButtonStyle style, const std::string& hint);
    int ButtonCount() const noexcept { return static_cast<int>(buttons_.size()); }
    ToolButton& Button(int index) { return *buttons_.at(static_cast<std::size_t>(index)); }
    // The button under a client point, or -1.
    int ButtonAt(int x, int y) const;
    // The hints shown over the buttons, each a part named by its index.
    const ToolTip& Hints() const noexcept { return *hints_; }
    // Takes a hint off the screen (before a menu pops up beside a button).
    void HideHint() { hints_->Pop(); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool HandleItemCommand(WORD item, WORD code) override;
    // Glyphs and buttons grow with the layout.
    void ScaleControl(int m, int d) override;

private:
    friend class ToolButton;
    void PlaceHints();
    void ShowGlyphs();

    DibBitmap glyphStrip_;
    Color glyphTransparent_ = 0;
    std::unique_ptr<ImageList> images_;
    std::unique_ptr<ToolTip> hints_;
    std::vector<std::unique_ptr<ToolButton>> buttons_;
    // The button that took the last mouse press; its release goes to it too.
    int pressed_ = -1;
};

} // namespace fw
