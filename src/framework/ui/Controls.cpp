#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "base/Errors.h"
#include <algorithm>
#include "gdi/Canvas.h"
#include "ui/Form.h"
#include <climits>
#include <commctrl.h>

namespace fw {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

char DecimalSeparator()
{
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 1)
        return buffer[0];
    return '.';
}

} // namespace

// --- Button ---------------------------------------------------------------

Button::Button(Window& parent, const Bounds& bounds, const std::string& caption)
{
    CreateParams params;
    params.className = "BUTTON";
    params.style = kChild | WS_TABSTOP | BS_PUSHBUTTON;
    params.parent = &parent;
    params.bounds = bounds;
    params.text = caption;
    CreateHandle(params);
}

Button::~Button()
{
    if (Form* form = ParentForm()) {
        if (form->DefaultButton() == this)
            form->SetDefaultButton(nullptr);
        if (form->CancelButton() == this)
            form->SetCancelButton(nullptr);
    }
}

bool Button::Default() const noexcept
{
    Form* form = const_cast<Button*>(this)->ParentForm();
    return form && form->DefaultButton() == this;
}

void Button::SetDefault(bool on)
{
    Form* form = ParentForm();
    if (!form)
        return;
    if (on)
        form->SetDefaultButton(this);
    else if (form->DefaultButton() == this)
        form->SetDefaultButton(nullptr);
}

bool Button::Cancel() const noexcept
{
    Form* form = const_cast<Button*>(this)->ParentForm();
    return form && form->CancelButton() == this;
}

void Button::SetCancel(bool on)
{
    Form* form = ParentForm();
    if (!form)
        return;
    if (on)
        form->SetCancelButton(this);
    else if (form->CancelButton() == this)
        form->SetCancelButton(nullptr);
}

void Button::Click()
{
    if (modalResult_ != mrNone)
        if (Form* form = ParentForm())
            form->SetModalResult(modalResult_);
    if (OnClick)
        OnClick();
}

void Button::ShowAsDefault(bool on)
{
    if (Handle())
        SendMessageA(Handle(), BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool Button::HandleCommand(WORD code)
{
    if (code != BN_CLICKED)
        return false;
    Click();
    return true;
}

void SetBold(Window& window, bool bold)
{
    fw::Font font = window.Font();
    const unsigned style = bold ? (font.style | fsBold) : (font.style & ~static_cast<unsigned>(fsBold));
    if (style == font.style)
        return;
    font.style = style;
    window.SetFont(font);
}

// --- Label ----------------------------------------------------------------

Label::Label(Window& parent, int left, int top, const std::string& caption)
{
    CreateParams params;
    params.className = "STATIC";
    params.style = kChild | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;
    params.parent = &parent;
    params.bounds = {left, top, 0, 0};
    params.text = caption;
    CreateHandle(params);
    AdjustSize();
}

Label::Label(Window& parent, const Bounds& bounds, const std::string& caption)
    : autoSize_(false), wordWrap_(true)
{
    CreateParams params;
    params.className = "STATIC";
    params.style = kChild | SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
    params.parent = &parent;
    params.bounds = bounds;
    params.text = caption;
    CreateHandle(params);
}

Label::~Label()
{
    Unfollow();
    for (Label* follower : followers_)
        follower->before_ = nullptr;
}

void Label::Follow(Label& before, int gap, int minLeft)
{
    for (const Label* l = &before; l; l = l->before_)
        if (l == this)
            throw Error("A label cannot follow itself");
    Unfollow();
    before_ = &before;
    before.followers_.push_back(this);
    gap_ = gap;
    minLeft_ = minLeft;
    PlaceAfterBefore();
}

void Label::Unfollow() noexcept
{
    if (!before_)
        return;
    auto& list = before_->followers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    before_ = nullptr;
}

void Label::PlaceAfterBefore()
{
    if (before_)
        SetLeft(std::max(minLeft_, before_->Left() + before_->Width() + gap_));
    for (Label* follower : followers_)
        follower->PlaceAfterBefore();
}

void Label::ScaleControl(int m, int d)
{
    gap_ = MulDiv(gap_, m, d);
    minLeft_ = MulDiv(minLeft_, m, d);
}

void Label::SetCaption(const std::string& caption)
{
    SetText(caption);
    AdjustSize();
    Invalidate();
}

void Label::SetAutoSize(bool on)
{
    autoSize_ = on;
    AdjustSize();
}

void Label::SetBold(bool on)
{
    fw::SetBold(*this, on);
}

void Label::AdjustSize()
{
    if (!Handle())
        return;
    if (!autoSize_) {
        PlaceAfterBefore();
        return;
    }
    const std::string caption = Text();
    const char* text = caption.empty() ? " " : caption.c_str(); // an empty label keeps one line's height
    WindowDC dc(Handle());
    SelectObjectGuard font(dc.Get(), FontHandle());
    RECT rc{0, 0, wordWrap_ ? Width() : SHRT_MAX, 0};
    DrawTextA(dc.Get(), text, -1, &rc,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0));
    Bounds b = GetBounds();
    b.width = rc.right;
    b.height = rc.bottom;
    SetBounds(b);
    PlaceAfterBefore();
}

bool Label::HandleCommand(WORD code)
{
    if (code != STN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

LinkLabel::LinkLabel(Window& parent, int left, int top, const std::string& caption)
    : Label(parent, left, top, caption)
{
    fw::Font font = Font();
    font.style |= fsUnderline;
    font.color = clBlue;
    SetFont(font);
    SetCursor(crHandPoint);
}

// --- CheckBox -------------------------------------------------------------

CheckBox::CheckBox(Window& parent, const Bounds& bounds, const std::string& caption)
{
    CreateParams params;
    params.className = "BUTTON";
    params.style = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
    params.parent = &parent;
    params.bounds = bounds;
    params.text = caption;
    CreateHandle(params);
}

bool CheckBox::Checked() const
{
    return Handle() && SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked)
{
    if (Handle())
        SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::HandleCommand(WORD code)
{
    if (code != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

// --- Bevel ----------------------------------------------------------------

Bevel::Bevel(Window& parent, const Bounds& bounds, BevelShape shape, BevelStyle style)
    : shape_(shape), style_(style)
{
    CreateParams params;
    params.style = kChild;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    // Beneath its siblings: a frame is drawn around controls, never over them.
    SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Resized();
}

LRESULT Bevel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCHITTEST)
        return HTTRANSPARENT;
    return Window::WndProc(msg, wParam, lParam);
}

void Bevel::Resized()
{
    if (!Handle())
        return;
    const int w = Width(), h = Height();
    if (shape_ != BevelShape::bsBox && shape_ != BevelShape::bsFrame) {
        SetWindowRgn(Handle(), nullptr, TRUE);
        return;
    }
    RegionHandle outer(CreateRectRgn(0, 0, w, h));
    RegionHandle inner(CreateRectRgn(2, 2, w - 2, h - 2));
    CombineRgn(outer.Get(), outer.Get(), inner.Get(), RGN_DIFF);
    if (SetWindowRgn(Handle(), outer.Get(), TRUE))
        (void)outer.Release(); // the system owns it now
}

void Bevel::Paint(HDC dc, const RECT&)
{
    const int w = Width(), h = Height();
    const bool lowered = style_ == BevelStyle::bsLowered;
    const Color dark = clBtnShadow, light = clBtnHighlight;
    const Color first = lowered ? dark : light, second = lowered ? light : dark;
    Canvas canvas(dc);
    auto line = [&canvas](Color color, int x1, int y1, int x2, int y2) {
        canvas.pen.color = color;
        canvas.Line(x1, y1, x2, y2);
    };
    // A rectangle lit from the top left: `topLeft` on the left and top edges,
    // `bottomRight` on the others (right/bottom coordinates inclusive).
    auto frame = [&line](Color topLeft, Color bottomRight, int l, int t, int r, int b) {
        line(topLeft, l, b, l, t);
        line(topLeft, l, t, r + 1, t);
        line(bottomRight, r, t + 1, r, b + 1);
        line(bottomRight, l + 1, b, r, b);
    };
    switch (shape_) {
    case BevelShape::bsBox: frame(first, second, 0, 0, w - 1, h - 1); break;
    case BevelShape::bsFrame:
        // Two offset rectangles give the etched groove.
        frame(second, second, 1, 1, w - 1, h - 1);
        frame(first, first, 0, 0, w - 2, h - 2);
        break;
    case BevelShape::bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case BevelShape::bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case BevelShape::bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case BevelShape::bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    }
}

// --- Panel ----------------------------------------------------------------

Panel::Panel(Window& parent, const Bounds& bounds, const std::string& caption)
{
    CreateParams params;
    params.style = kChild | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.exStyle = WS_EX_CONTROLPARENT;
    params.parent = &parent;
    params.bounds = bounds;
    params.text = caption;
    CreateHandle(params);
    SetColor(clBtnFace);
}

void Panel::SetBevelOuter(PanelBevel bevel)
{
    bevel_ = bevel;
    Invalidate();
}

void Panel::SetBevelInner(PanelBevel bevel)
{
    innerBevel_ = bevel;
    Invalidate();
}

void Panel::UseParentColor()
{
    SetParentColor(true);
}

void Panel::Paint(HDC dc, const RECT&)
{
    RECT rc;
    GetClientRect(Handle(), &rc);
    // One pixel each: the outer edge, then the inner one inside it.
    if (bevel_ != PanelBevel::pbNone) {
        DrawEdge(dc, &rc, bevel_ == PanelBevel::pbRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&rc, -1, -1);
    }
    if (innerBevel_ != PanelBevel::pbNone) {
        DrawEdge(dc, &rc, innerBevel_ == PanelBevel::pbRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&rc, -1, -1);
    }
    const std::string caption = Text();
    if (!caption.empty()) {
        SelectObjectGuard font(dc, FontHandle());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(Font().color));
        DrawTextA(dc, caption.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// --- Edit -----------------------------------------------------------------

Edit::Edit(Window& parent, const Bounds& bounds, const std::string& text)
{
    CreateParams params;
    params.className = "EDIT";
    params.style = kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    params.exStyle = WS_EX_CLIENTEDGE;
    params.parent = &parent;
    params.bounds = bounds;
    params.text = text;
    CreateHandle(params);
}

void Edit::SetBorder(bool on)
{
    LONG ex = GetWindowLongA(Handle(), GWL_EXSTYLE);
    ex = on ? (ex | WS_EX_CLIENTEDGE) : (ex & ~WS_EX_CLIENTEDGE);
    SetWindowLongA(Handle(), GWL_EXSTYLE, ex);
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Edit::SetMaxLength(int length)
{
    SendMessageA(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(length), 0);
}

void Edit::SetReadOnly(bool on)
{
    SendMessageA(Handle(), EM_SETREADONLY, on, 0);
}

bool Edit::ReadOnly() const
{
    return Handle() && (GetWindowLongA(Handle(), GWL_STYLE) & ES_READONLY);
}

void Edit::SelectAll()
{
    SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

bool Edit::HandleCommand(WORD code)
{
    if (code != EN_CHANGE)
        return false;
    if (OnChange)
        OnChange();
    return true;
}

// --- SpinEdit -------------------------------------------------------------

// The up and down buttons, a child of the edit. Their clicks only ask for a
// step; the buttons keep no position of their own.
class SpinEdit::UpDown : public Window {
public:
    explicit UpDown(SpinEdit& owner) : owner_(owner)
    {
        CreateParams params;
        params.className = UPDOWN_CLASSA;
        params.style = kChild;
        params.parent = &owner;
        CreateHandle(params);
        SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(-100), 100);
        SendMessageA(Handle(), UDM_SETPOS32, 0, 0);
    }

protected:
    bool HandleNotify(NMHDR& header, LRESULT& result) override
    {
        if (header.code != UDN_DELTAPOS)
            return false;
        const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
        if (change.iDelta > 0)
            owner_.StepUp();
        else if (change.iDelta < 0)
            owner_.StepDown();
        result = 1; // keep the buttons' own position where it is
        return true;
    }

private:
    SpinEdit& owner_;
};

SpinEdit::SpinEdit(Window& parent, const Bounds& bounds) : Edit(parent, bounds, "0")
{
    SetWindowLongA(Handle(), GWL_STYLE, GetWindowLongA(Handle(), GWL_STYLE) | WS_CLIPCHILDREN);
    buttons_ = std::make_unique<UpDown>(*this);
    PlaceButtons();
}

SpinEdit::~SpinEdit() = default;

void SpinEdit::PlaceButtons()
{
    if (!buttons_ || !Handle())
        return;
    const int width = SystemMetricFor(Handle(), SM_CXVSCROLL);
    buttons_->SetBounds({ClientWidth() - width, 0, width, ClientHeight()});
    SendMessageA(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, width + 1));
}

void SpinEdit::Resized()
{
    PlaceButtons();
}

bool SpinEdit::IsValidChar(char key)
{
    const auto code = static_cast<unsigned char>(key);
    if (key == '+' || key == '-' || (key >= '0' && key <= '9') || key == DecimalSeparator())
        return true;
    // Editing keys (backspace, clipboard shortcuts) are control characters;
    // Enter is not text.
    return code < 32 && key != '\r';
}

int SpinEdit::ParseValue(const std::string& text)
{
    std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return 0;
    const std::size_t end = text.find_last_not_of(' ') + 1;
    bool negative = false;
    if (text[begin] == '+' || text[begin] == '-') {
        negative = text[begin] == '-';
        ++begin;
    }
    if (begin == end)
        return 0;
    long long value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return 0;
    return static_cast<int>(value);
}

int SpinEdit::Value() const
{
    return ParseValue(Text());
}

int SpinEdit::Clamp(long long value) const
{
    if (minValue_ != maxValue_) {
        if (value < minValue_)
            value = minValue_;
        if (value > maxValue_)
            value = maxValue_;
    }
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    return static_cast<int>(value);
}

void SpinEdit::SetValue(int value)
{
    SetText(std::to_string(Clamp(value)));
}

void SpinEdit::SetMinValue(int value)
{
    minValue_ = value;
}

void SpinEdit::SetMaxValue(int value)
{
    maxValue_ = value;
}

void SpinEdit::Step(int delta)
{
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    SetValue(Clamp(static_cast<long long>(Value()) + delta));
}

LRESULT SpinEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CHAR:
        if (!IsValidChar(static_cast<char>(wParam))) {
            MessageBeep(0);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_UP || wParam == VK_DOWN) {
            if (wParam == VK_UP)
                StepUp();
            else
                StepDown();
            PassKey(OnKeyDown, wParam);
            return 0;
        }
        break;
    case WM_KILLFOCUS: {
        const LRESULT result = Edit::WndProc(msg, wParam, lParam);
        // Leaving the box brings a value outside the bounds back inside.
        const int value = Value();
        if (Clamp(value) != value)
            SetValue(value);
        return result;
    }
    default: break;
    }
    return Edit::WndProc(msg, wParam, lParam);
}

} // namespace fw
