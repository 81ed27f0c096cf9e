#include "ui/ToolBar.h"
#include "base/Errors.h"
#include "ui/Dpi.h"
#include <algorithm>
#include <commctrl.h>
#include <windowsx.h>

namespace fw {

namespace {

// Command identifiers of the buttons: their index plus this.
constexpr int kFirstCommand = 100;
constexpr int kGlyphSize = 16;

} // namespace

int ToolButton::Command() const noexcept
{
    return kFirstCommand + index_;
}

bool ToolButton::Down() const
{
    const auto state = SendMessageA(bar_.Handle(), TB_GETSTATE, static_cast<WPARAM>(Command()), 0);
    return state != -1 && (state & (TBSTATE_CHECKED | TBSTATE_PRESSED));
}

void ToolButton::SetDown(bool down)
{
    // The control puts the rest of a check group up itself.
    SendMessageA(bar_.Handle(), TB_CHECKBUTTON, static_cast<WPARAM>(Command()), MAKELPARAM(down ? TRUE : FALSE, 0));
}

Bounds ToolButton::GetBounds() const
{
    RECT rc{};
    SendMessageA(bar_.Handle(), TB_GETITEMRECT, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&rc));
    return {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

ToolBar::ToolBar(Window& parent, const Bounds& bounds)
{
    CreateParams params;
    params.className = TOOLBARCLASSNAMEA;
    // Placed and sized by us, never by the control; one button per row.
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN |
                   CCS_NODIVIDER | CCS_VERT;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    SendMessageA(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(Handle(), TB_SETBITMAPSIZE, 0, MAKELPARAM(kGlyphSize, kGlyphSize));
    hints_ = std::make_unique<ToolTip>(*this);
}

ToolBar::~ToolBar()
{
    // The control lets go of the list before the list goes.
    if (Handle())
        SendMessageA(Handle(), TB_SETIMAGELIST, 0, 0);
}

void ToolBar::SetGlyphs(const DibBitmap& strip, Color transparent)
{
    glyphStrip_ = strip;
    glyphTransparent_ = transparent;
    ShowGlyphs();
}

// The strip's glyphs drawn at the scale of the form the bar is on.
void ToolBar::ShowGlyphs()
{
    if (glyphStrip_.Empty())
        return;
    const int size = ScaleToDpi(glyphStrip_.Height(), LayoutDpi(*this));
    const int count = glyphStrip_.Width() / std::max(glyphStrip_.Height(), 1);
    auto list = std::make_unique<ImageList>(ImageList::FromStrip(glyphStrip_, count, size, size, glyphTransparent_));
    SendMessageA(Handle(), TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
    SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list->Handle()));
    images_ = std::move(list);
    Invalidate();
}

void ToolBar::ScaleControl(int m, int d)
{
    // Some versions of the control size their buttons from the glyphs and a
    // fixed padding whatever they are told; others keep the size given.
    const auto size = static_cast<DWORD>(SendMessageA(Handle(), TB_GETBUTTONSIZE, 0, 0));
    ShowGlyphs(); // the form's DPI is already the new one
    SendMessageA(Handle(), TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(MulDiv(LOWORD(size), m, d), MulDiv(HIWORD(size), m, d)));
    PlaceHints();
}

ToolButton& ToolBar::AddButton(int imageIndex, ToolButtonStyle style, const std::string& hint)
{
    const int index = ButtonCount();
    auto button = std::unique_ptr<ToolButton>(new ToolButton(*this, index, hint));
    TBBUTTON tb{};
    tb.iBitmap = imageIndex;
    tb.idCommand = button->Command();
    tb.fsState = TBSTATE_ENABLED | TBSTATE_WRAP;
    tb.fsStyle = static_cast<BYTE>(style == ToolButtonStyle::tbsCheckGroup ? BTNS_CHECKGROUP : BTNS_BUTTON);
    tb.iString = -1;
    if (!SendMessageA(Handle(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&tb)))
        throw Error("Cannot add tool bar button");
    buttons_.push_back(std::move(button));
    PlaceHints();
    return *buttons_.back();
}

void ToolBar::PlaceHints()
{
    for (const auto& button : buttons_) {
        const Bounds b = button->GetBounds();
        hints_->AddPart(*this, static_cast<UINT_PTR>(button->Index()),
                        RECT{b.left, b.top, b.left + b.width, b.top + b.height}, button->Hint());
    }
}

int ToolBar::ButtonAt(int x, int y) const
{
    POINT pt{x, y};
    const auto hit = static_cast<int>(SendMessageA(Handle(), TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
    return hit >= 0 && hit < static_cast<int>(buttons_.size()) ? hit : -1;
}

bool ToolBar::HandleItemCommand(WORD item, WORD)
{
    const int index = static_cast<int>(item) - kFirstCommand;
    if (index < 0 || index >= ButtonCount())
        return false;
    // The control has already put a check button down.
    if (auto& onClick = buttons_[static_cast<std::size_t>(index)]->OnClick)
        onClick();
    return true;
}

LRESULT ToolBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
                      msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    const bool up = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
    if (!down && !up)
        return Window::WndProc(msg, wParam, lParam);

    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    const MouseButton button = (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_RBUTTONDBLCLK)
                                   ? MouseButton::mbRight
                               : (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP || msg == WM_MBUTTONDBLCLK)
                                   ? MouseButton::mbMiddle
                                   : MouseButton::mbLeft;
    const ShiftState shift = KeyboardShiftState();
    // The control does its own pressing, checking and clicking first.
    const LRESULT result = DefaultHandler(msg, wParam, lParam);
    if (down) {
        hints_->Pop();
        pressed_ = ButtonAt(x, y);
        if (pressed_ >= 0)
            if (auto& onDown = buttons_[static_cast<std::size_t>(pressed_)]->OnMouseDown)
                onDown(button, shift, x, y);
    } else if (pressed_ >= 0 && pressed_ < ButtonCount()) {
        const auto index = static_cast<std::size_t>(std::exchange(pressed_, -1));
        if (auto& onUp = buttons_[index]->OnMouseUp)
            onUp(button, shift, x, y);
    }
    return result;
}

} // namespace fw
