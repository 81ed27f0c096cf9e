// Hints: the short texts a tool-tip window shows when the pointer rests over
// a control, or over a part of one (a tool bar's button).
#pragma once
#include "ui/Window.h"
#include <string>

namespace fw {

class ToolTip {
public:
    // The tips belong to `owner`'s top-level window and go with this object.
    explicit ToolTip(Window& owner);
    ~ToolTip();
    ToolTip(const ToolTip&) = delete;
    ToolTip& operator=(const ToolTip&) = delete;

    // `text` over the whole of `window`.
    void Add(Window& window, const std::string& text);
    // `text` over `rect` of `window`'s client area; `part` tells the parts
    // of one window apart. Adding a part again replaces its text and place.
    void AddPart(Window& window, UINT_PTR part, const RECT& rect, const std::string& text);
    // The text shown over `window` (or one of its parts); "" for none.
    std::string Text(const Window& window) const;
    std::string PartText(const Window& window, UINT_PTR part) const;
    // Takes a hint off the screen, so that it doesn't cover a menu.
    void Pop();

    HWND Handle() const noexcept { return hwnd_; }

private:
    std::string Lookup(HWND window, UINT_PTR id, UINT flags) const;

    HWND hwnd_ = nullptr;
};

} // namespace fw
