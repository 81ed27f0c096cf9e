#include "ui/Window.h"
#include "ui/Application.h"
#include "base/Errors.h"
#include "base/Module.h"
#include <algorithm>
#include <commctrl.h>
#include <windowsx.h>

namespace fw {

namespace {

// The setup (installer/vistrel.nsi) finds a running program by this class.
constexpr const char* kWindowClassName = "VistrelWindow";
constexpr const char* kObjectProperty = "VistrelWindowObject";
constexpr UINT_PTR kSubclassId = 0x56495354; // any fixed value of our own
constexpr const char* kCreateWindowFailed = "Cannot create window";

HMENU NextControlId()
{
    // Identifiers below 1000 are left to IDOK, IDCANCEL and friends.
    static WORD next = 1000;
    if (next == 0xFFFF)
        next = 1000;
    return reinterpret_cast<HMENU>(static_cast<UINT_PTR>(next++));
}

ShiftState MouseShiftState(WPARAM keys)
{
    ShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

} // namespace

HCURSOR CursorHandle(Cursor cursor) noexcept
{
    LPCSTR id = IDC_ARROW;
    switch (cursor) {
    case crNone: return nullptr;
    case crDefault:
    case crArrow: id = IDC_ARROW; break;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    }
    return LoadCursorA(nullptr, id);
}

ShiftState KeyboardShiftState() noexcept
{
    ShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

bool PassKey(const KeyEvent& event, WPARAM& wParam)
{
    if (!event)
        return true;
    WORD key = static_cast<WORD>(wParam);
    event(key, KeyboardShiftState());
    if (!key)
        return false;
    wParam = key;
    return true;
}

bool PassKeyPress(const KeyPressEvent& event, WPARAM& wParam)
{
    if (!event)
        return true;
    char key = static_cast<char>(wParam);
    event(key);
    if (!key)
        return false;
    wParam = static_cast<unsigned char>(key);
    return true;
}

Window::~Window()
{
    DestroyHandle();
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (Window* child : children_)
        child->parent_ = nullptr;
}

Window* Window::FromHandle(HWND hwnd) noexcept
{
    if (!hwnd)
        return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId())
        return nullptr;
    // The windows of another module that links its own copy of the framework
    // (a plug-in's, or the host's seen from a plug-in) are not our objects.
    if (reinterpret_cast<HMODULE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE)) != ThisModule())
        return nullptr;
    return static_cast<Window*>(GetPropA(hwnd, kObjectProperty));
}

Form* Window::ParentForm() noexcept
{
    for (Window* w = this; w; w = w->parent_)
        if (Form* form = w->AsForm())
            return form;
    return nullptr;
}

void Window::CreateHandle(const CreateParams& params)
{
    App(); // process set-up (DPI awareness, common controls) precedes every window
    // Registered for the module this code is linked into. A plug-in library
    // takes its class away again when it is unloaded, so that a later load at
    // another address does not meet a class whose procedure is gone.
    struct WindowClass {
        ATOM atom = 0;
        WindowClass()
        {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = &Window::ClassProc;
            wc.hInstance = ThisModule();
            wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
            wc.lpszClassName = kWindowClassName;
            atom = RegisterClassExA(&wc);
        }
        ~WindowClass()
        {
            if (atom)
                UnregisterClassA(kWindowClassName, ThisModule());
        }
    };
    static const WindowClass windowClass;
    (void)windowClass;

    HWND parentHandle = params.ownerHandle;
    HMENU id = nullptr;
    if (params.parent) {
        parent_ = params.parent;
        parentHandle = parent_->handle_;
        parent_->children_.push_back(this);
        font_ = parent_->font_;
        fontHandle_ = parent_->fontHandle_;
    } else {
        fontHandle_ = std::make_shared<fw::FontHandle>(font_.Create());
    }
    if (params.style & WS_CHILD)
        id = NextControlId();

    const Bounds& b = params.bounds;
    HWND hwnd = nullptr;
    if (!params.className) {
        hwnd = CreateWindowExA(params.exStyle, kWindowClassName, params.text.c_str(), params.style, b.left, b.top,
                               b.width, b.height, parentHandle, id, ThisModule(), this);
    } else {
        hwnd = CreateWindowExA(params.exStyle, params.className, params.text.c_str(), params.style, b.left,
                               b.top, b.width, b.height, parentHandle, id, ThisModule(), nullptr);
        if (hwnd) {
            subclassed_ = true;
            Attach(hwnd);
            SetWindowSubclass(hwnd, &Window::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
        }
    }
    if (!hwnd || !handle_) {
        const DWORD error = GetLastError();
        if (parent_) {
            auto& siblings = parent_->children_;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
            parent_ = nullptr;
        }
        if (hwnd)
            DestroyWindow(hwnd);
        SetLastError(error);
        RaiseLastOSError(kCreateWindowFailed);
    }
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
}

void Window::Attach(HWND hwnd) noexcept
{
    handle_ = hwnd;
    SetPropA(hwnd, kObjectProperty, this);
    if (!subclassed_)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Window::Detach() noexcept
{
    if (!handle_)
        return;
    RemovePropA(handle_, kObjectProperty);
    if (subclassed_)
        RemoveWindowSubclass(handle_, &Window::SubclassProc, kSubclassId);
    else
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    handle_ = nullptr;
}

void Window::DestroyHandle() noexcept
{
    if (!handle_)
        return;
    HWND hwnd = handle_;
    Detach();
    DestroyWindow(hwnd);
}

LRESULT CALLBACK Window::ClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self)
            self->Attach(hwnd);
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const LRESULT result = self->Dispatch(msg, wParam, lParam);
    if (msg == WM_NCDESTROY)
        self->Detach();
    return result;
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR refData)
{
    auto* self = reinterpret_cast<Window*>(refData);
    if (!self || self->handle_ != hwnd)
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    const LRESULT result = self->Dispatch(msg, wParam, lParam);
    if (msg == WM_NCDESTROY)
        self->Detach();
    return result;
}

LRESULT Window::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        return WndProc(msg, wParam, lParam);
    } catch (...) {
        if (msg == WM_PAINT && handle_)
            ValidateRect(handle_, nullptr); // or the failing paint comes straight back
        App().HandleException();
        if (msg == WM_NCCREATE || msg == WM_NCDESTROY)
            return handle_ ? DefaultHandler(msg, wParam, lParam) : 0;
        return 0;
    }
}

LRESULT Window::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!handle_)
        return 0;
    if (subclassed_)
        return DefSubclassProc(handle_, msg, wParam, lParam);
    return DefWindowProcA(handle_, msg, wParam, lParam);
}

LRESULT Window::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (lParam) {
            Window* child = FromHandle(reinterpret_cast<HWND>(lParam));
            if (child && child != this && child->HandleItemCommand(LOWORD(wParam), HIWORD(wParam)))
                return 0;
        }
        break;
    case WM_NOTIFY:
        if (auto* header = reinterpret_cast<NMHDR*>(lParam)) {
            Window* child = FromHandle(header->hwndFrom);
            LRESULT result = 0;
            if (child && child != this && child->HandleNotify(*header, result))
                return result;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        Window* child = FromHandle(reinterpret_cast<HWND>(lParam));
        if (child && child != this)
            if (HBRUSH brush = child->HandleCtlColor(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        break;
    }
    case WM_ERASEBKGND:
        if (ownClass()) {
            RECT rc;
            GetClientRect(handle_, &rc);
            ::FillRect(reinterpret_cast<HDC>(wParam), &rc, BackgroundBrush());
            return 1;
        }
        break;
    case WM_PAINT:
        if (ownClass()) {
            PaintDC dc(handle_);
            Paint(dc.Get(), dc.PaintRect());
            return 0;
        }
        break;
    case WM_SIZE: {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        Realign();
        Resized();
        return result;
    }
    case WM_WINDOWPOSCHANGED: {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        const UINT unchanged = SWP_NOSIZE | SWP_NOMOVE;
        if (parent_ && ((pos->flags & unchanged) != unchanged || (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))))
            parent_->ChildBoundsChanged(*this);
        return result;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == handle_ && LOWORD(lParam) == HTCLIENT) {
            Cursor cursor = App().ScreenCursor();
            if (cursor == crDefault)
                cursor = cursor_;
            if (cursor != crDefault) {
                ::SetCursor(CursorHandle(cursor));
                return TRUE;
            }
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
        if (!PassKey(down ? OnKeyDown : OnKeyUp, wParam))
            return 0;
        break;
    }
    case WM_CHAR:
        if (!PassKeyPress(OnKeyPress, wParam))
            return 0;
        break;
    case WM_SETFOCUS: {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        if (OnEnter)
            OnEnter();
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        if (OnExit)
            OnExit();
        return result;
    }
    default:
        if ((msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK) && HandleMouse(msg, wParam, lParam))
            return 0;
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

bool Window::HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    ShiftState shift = MouseShiftState(wParam);
    MouseButton button = MouseButton::mbLeft;
    bool down = false, up = false;
    switch (msg) {
    case WM_LBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_LBUTTONDOWN: down = true; break;
    case WM_RBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_RBUTTONDOWN: down = true; button = MouseButton::mbRight; break;
    case WM_MBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_MBUTTONDOWN: down = true; button = MouseButton::mbMiddle; break;
    case WM_LBUTTONUP: up = true; break;
    case WM_RBUTTONUP: up = true; button = MouseButton::mbRight; break;
    case WM_MBUTTONUP: up = true; button = MouseButton::mbMiddle; break;
    case WM_MOUSEMOVE: break;
    default: return false;
    }
    DefaultHandler(msg, wParam, lParam);
    if (down) {
        if (captureMouse_ && handle_)
            SetCapture(handle_);
        if (OnMouseDown)
            OnMouseDown(button, shift, x, y);
    } else if (up) {
        if (captureMouse_ && handle_ && GetCapture() == handle_ &&
            !(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
            ReleaseCapture();
        if (OnMouseUp)
            OnMouseUp(button, shift, x, y);
    } else if (OnMouseMove) {
        OnMouseMove(shift, x, y);
    }
    return true;
}

Bounds Window::GetBounds() const
{
    if (!handle_)
        return {};
    RECT rc;
    GetWindowRect(handle_, &rc);
    if (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&rc), 2);
    return {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

void Window::SetBounds(const Bounds& b)
{
    if (handle_)
        SetWindowPos(handle_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetLeft(int left)
{
    Bounds b = GetBounds();
    b.left = left;
    SetBounds(b);
}

void Window::SetTop(int top)
{
    Bounds b = GetBounds();
    b.top = top;
    SetBounds(b);
}

void Window::SetWidth(int width)
{
    Bounds b = GetBounds();
    b.width = width;
    SetBounds(b);
}

void Window::SetHeight(int height)
{
    Bounds b = GetBounds();
    b.height = height;
    SetBounds(b);
}

int Window::ClientWidth() const
{
    RECT rc{};
    if (handle_)
        GetClientRect(handle_, &rc);
    return rc.right;
}

int Window::ClientHeight() const
{
    RECT rc{};
    if (handle_)
        GetClientRect(handle_, &rc);
    return rc.bottom;
}

POINT Window::ClientToScreen(POINT point) const
{
    ::ClientToScreen(handle_, &point);
    return point;
}

POINT Window::ScreenToClient(POINT point) const
{
    ::ScreenToClient(handle_, &point);
    return point;
}

bool Window::Visible() const
{
    return handle_ && (GetWindowLongA(handle_, GWL_STYLE) & WS_VISIBLE);
}

void Window::SetVisible(bool visible)
{
    if (handle_ && visible != Visible())
        ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Window::Enabled() const
{
    return handle_ && IsWindowEnabled(handle_);
}

void Window::SetEnabled(bool enabled)
{
    if (handle_)
        EnableWindow(handle_, enabled);
}

std::string Window::Text() const
{
    if (!handle_)
        return {};
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(handle_)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(handle_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Window::SetText(const std::string& text)
{
    if (handle_)
        SetWindowTextA(handle_, text.c_str());
}

bool Window::Focused() const
{
    return handle_ && GetFocus() == handle_;
}

void Window::SetFocus()
{
    if (handle_)
        ::SetFocus(handle_);
}

void Window::Invalidate()
{
    if (handle_)
        InvalidateRect(handle_, nullptr, TRUE);
}

void Window::Update()
{
    if (handle_)
        UpdateWindow(handle_);
}

void Window::SetTabOrder(int index)
{
    if (!handle_ || !parent_)
        return;
    std::vector<HWND> siblings;
    for (HWND h = GetWindow(parent_->handle_, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (h != handle_)
            siblings.push_back(h);
    HWND after = HWND_TOP;
    if (index > 0 && !siblings.empty())
        after = siblings[std::min<std::size_t>(static_cast<std::size_t>(index), siblings.size()) - 1];
    SetWindowPos(handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Window::SetFont(const fw::Font& font)
{
    parentFont_ = false;
    SetFontShared(font, std::make_shared<fw::FontHandle>(font.Create()));
}

void Window::SetFontShared(const fw::Font& font, std::shared_ptr<fw::FontHandle> handle, bool scaling)
{
    font_ = font;
    ApplyFont(std::move(handle));
    for (Window* child : children_)
        if (child->parentFont_ && (child->scaled_ || !scaling))
            child->SetFontShared(font, fontHandle_, scaling);
}

void Window::ApplyFont(std::shared_ptr<fw::FontHandle> handle)
{
    // The old handle stays alive until the window has been given the new one.
    std::shared_ptr<fw::FontHandle> old = std::move(fontHandle_);
    fontHandle_ = std::move(handle);
    if (handle_)
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
    FontChanged();
}

HFONT Window::FontHandle() const noexcept
{
    return fontHandle_ ? fontHandle_->Get() : nullptr;
}

Color Window::GetColor() const noexcept
{
    if (parentColor_ && parent_)
        return parent_->GetColor();
    return color_;
}

void Window::SetColor(Color color)
{
    color_ = color;
    parentColor_ = false;
    if (handle_)
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Window::SetParentColor(bool on)
{
    parentColor_ = on;
    if (handle_)
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HBRUSH Window::BackgroundBrush()
{
    if (parentColor_ && parent_)
        return parent_->BackgroundBrush();
    const Color color = GetColor();
    if (color & kSystemColorFlag)
        return GetSysColorBrush(static_cast<int>(color & 0xFF));
    if (!brush_ || brushColor_ != color) {
        brush_.Reset(CreateSolidBrush(ColorToRGB(color)));
        brushColor_ = color;
    }
    return brush_.Get();
}

HBRUSH Window::ParentBackgroundCtlColor(HDC dc)
{
    SetTextColor(dc, ColorToRGB(font_.color));
    SetBkColor(dc, ColorToRGB(GetColor()));
    SetBkMode(dc, TRANSPARENT);
    return BackgroundBrush();
}

void Window::ChangeScale(int m, int d)
{
    if (!scaled_ || m == d || m <= 0 || d <= 0)
        return;
    // Sizes first, children before their parent: an aligned or anchored child
    // is placed again when its parent's size changes, and must by then have
    // its own new size. Fonts after, so that auto-sized labels measure their
    // text in the new font at their new place.
    ScaleTree(m, d);
    ScaleFonts(m, d);
}

void Window::ScaleTree(int m, int d)
{
    if (!scaled_)
        return;
    const std::vector<Window*> children = children_;
    for (Window* child : children)
        child->ScaleTree(m, d);
    ScaleControl(m, d);
    ScaleBounds(m, d);
}

Bounds ScaledBounds(const Bounds& b, int m, int d) noexcept
{
    const int left = MulDiv(b.left, m, d), top = MulDiv(b.top, m, d);
    return {left, top, MulDiv(b.left + b.width, m, d) - left, MulDiv(b.top + b.height, m, d) - top};
}

void Window::ScaleBounds(int m, int d)
{
    SetBounds(ScaledBounds(GetBounds(), m, d));
}

void Window::ScaleFonts(int m, int d)
{
    if (!scaled_)
        return;
    // Children that follow this window's font get the new one with it.
    if ((!parentFont_ || !parent_) && font_.height != 0) {
        fw::Font font = font_;
        font.height = MulDiv(font.height, m, d);
        SetFontShared(font, std::make_shared<fw::FontHandle>(font.Create()), true);
    }
    const std::vector<Window*> children = children_;
    for (Window* child : children)
        child->ScaleFonts(m, d);
}

void Window::SetAlign(Align align)
{
    align_ = align;
    if (parent_)
        parent_->Realign();
}

void Window::Realign()
{
    if (!handle_ || children_.empty())
        return;
    RECT rc;
    GetClientRect(handle_, &rc);
    auto place = [](Window* child, int l, int t, int w, int h) {
        child->SetBounds({l, t, std::max(w, 0), std::max(h, 0)});
    };
    // Edges first, in creation order, then the client-aligned windows take
    // what is left.
    for (Window* child : children_) {
        if (!child->Visible())
            continue;
        const int w = child->Width(), h = child->Height();
        switch (child->align_) {
        case Align::alTop:
            place(child, rc.left, rc.top, rc.right - rc.left, h);
            rc.top += h;
            break;
        case Align::alBottom:
            place(child, rc.left, rc.bottom - h, rc.right - rc.left, h);
            rc.bottom -= h;
            break;
        case Align::alLeft:
            place(child, rc.left, rc.top, w, rc.bottom - rc.top);
            rc.left += w;
            break;
        case Align::alRight:
            place(child, rc.right - w, rc.top, w, rc.bottom - rc.top);
            rc.right -= w;
            break;
        default: break;
        }
    }
    for (Window* child : children_)
        if (child->align_ == Align::alClient)
            place(child, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

} // namespace fw
