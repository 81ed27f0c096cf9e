#include "ui/Form.h"
#include "ui/ModalDisabler.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "base/Errors.h"
#include <algorithm>
#include <utility>
#include <vector>

namespace fw {

namespace {

constexpr const char* kCannotMakeVisibleModal = "Cannot make a visible window modal";

bool IsPushButtonFocus(HWND focus)
{
    return dynamic_cast<Button*>(Window::FromHandle(focus)) != nullptr;
}

} // namespace

Form::Form(Window* owner)
{
    CreateParams params;
    params.style = Style();
    params.exStyle = ExStyle();
    params.ownerHandle = owner ? owner->Handle() : nullptr;
    params.bounds = {0, 0, 320, 240};
    CreateHandle(params);
}

Form::Form(ChildOf parent) : child_(true)
{
    CreateParams params;
    params.style = Style();
    params.exStyle = ExStyle();
    params.ownerHandle = parent.parent; // the parent of a WS_CHILD window
    params.bounds = {0, 0, 320, 240};
    CreateHandle(params);
}

Form::~Form()
{
    DestroyHandle();
}

DWORD Form::Style() const
{
    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (child_)
        return style | WS_CHILD;
    const DWORD sysMenu = systemMenu_ ? WS_SYSMENU : 0;
    switch (borderStyle_) {
    case BorderStyle::bsNone: style |= WS_POPUP; break;
    case BorderStyle::bsSingle: style |= WS_POPUP | WS_CAPTION | (systemMenu_ ? WS_SYSMENU | WS_MINIMIZEBOX : 0); break;
    case BorderStyle::bsSizeable:
        style |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME |
                 (systemMenu_ ? WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX : 0);
        break;
    case BorderStyle::bsDialog: style |= WS_POPUP | WS_CAPTION | sysMenu; break;
    }
    return style;
}

DWORD Form::ExStyle() const
{
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (!child_ && borderStyle_ == BorderStyle::bsDialog)
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    if (!child_ && !showInTaskbar_)
        exStyle |= WS_EX_TOOLWINDOW;
    return exStyle;
}

void Form::ApplyStyle()
{
    if (!Handle())
        return;
    const int width = ClientWidth(), height = ClientHeight();
    const DWORD visible = GetWindowLongA(Handle(), GWL_STYLE) & (WS_VISIBLE | WS_DISABLED);
    SetWindowLongA(Handle(), GWL_STYLE, static_cast<LONG>(Style() | visible));
    SetWindowLongA(Handle(), GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetClientSize(width, height);
}

void Form::SetBorderStyle(BorderStyle style)
{
    borderStyle_ = style;
    ApplyStyle();
}

void Form::SetSystemMenu(bool on)
{
    systemMenu_ = on;
    ApplyStyle();
}

void Form::SetShowInTaskbar(bool on)
{
    showInTaskbar_ = on;
    ApplyStyle();
}

void Form::SetClientSize(int width, int height)
{
    if (!Handle())
        return;
    RECT rc{0, 0, width, height};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)));
    SetWindowPos(Handle(), nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Some frames wrap the menu bar or differ from the computed one: correct
    // by what the client area really became.
    const int dw = width - ClientWidth(), dh = height - ClientHeight();
    if (dw || dh) {
        const Bounds b = GetBounds();
        SetWindowPos(Handle(), nullptr, 0, 0, b.width + dw, b.height + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::CenterOnDesktop()
{
    Bounds b = GetBounds();
    b.left = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - b.width) / 2);
    b.top = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - b.height) / 2);
    SetBounds(b);
}

void Form::SetVisible(bool visible)
{
    if (!Handle())
        return;
    if (child_) {
        // A child form neither centres itself nor takes the foreground.
        Window::SetVisible(visible);
        return;
    }
    if (visible) {
        if (position_ == Position::poDesktopCenter && !Visible())
            CenterOnDesktop();
        ShowWindow(Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(Handle());
    } else {
        ShowWindow(Handle(), SW_HIDE);
    }
}

bool Form::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(canClose);
    return canClose;
}

void Form::Close()
{
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    CloseAction action = CloseAction::caHide;
    if (OnClose)
        OnClose(action);
    if (action == CloseAction::caNone)
        return;
    if (App().MainForm() == this)
        App().Terminate();
    else
        Hide();
}

void Form::CloseModal()
{
    CloseAction action = CloseAction::caNone;
    if (CloseQuery()) {
        action = CloseAction::caHide;
        if (OnClose)
            OnClose(action);
    }
    if (action == CloseAction::caNone)
        modalResult_ = mrNone;
}

int Form::ShowModal()
{
    if (!Handle() || Visible() || modal_ || child_)
        throw Error(kCannotMakeVisibleModal);
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();

    Application& app = App();
    HWND previousActive = GetActiveWindow();
    modal_ = true;
    modalResult_ = mrNone;
    struct ModalGuard {
        Form& form;
        HWND previousActive;
        ThreadWindowsDisabler disabled;
        ~ModalGuard()
        {
            // Enable first, so that hiding hands the activation back to the
            // program's window instead of another application's.
            disabled.Restore();
            form.modal_ = false;
            if (form.Handle())
                form.Hide();
            if (previousActive && IsWindow(previousActive) && IsWindowVisible(previousActive))
                SetActiveWindow(previousActive);
        }
    } guard{*this, previousActive, ThreadWindowsDisabler(Handle())};

    EnableWindow(Handle(), TRUE);
    Show();
    for (;;) {
        if (modalResult_ == mrNone && Handle() && !app.Terminated())
            app.HandleMessage();
        if (!Handle() || app.Terminated()) {
            // The window went away or the program is ending: a cancel.
            modalResult_ = mrCancel;
            if (Handle())
                CloseModal();
            break;
        }
        if (modalResult_ != mrNone) {
            CloseModal();
            if (modalResult_ != mrNone)
                break;
        }
    }
    return modalResult_ == mrNone ? mrCancel : modalResult_;
}

void Form::SetDefaultButton(Button* button)
{
    if (defaultButton_ == button)
        return;
    if (defaultButton_)
        defaultButton_->ShowAsDefault(false);
    defaultButton_ = button;
    if (button)
        button->ShowAsDefault(true);
}

void Form::SetCancelButton(Button* button)
{
    cancelButton_ = button;
}

void Form::RestoreFocus()
{
    if (focused_ && IsWindow(focused_) && IsChild(Handle(), focused_) && IsWindowVisible(focused_) &&
        IsWindowEnabled(focused_)) {
        ::SetFocus(focused_);
        return;
    }
    // Only a control that takes the Tab key takes the focus; a form of
    // pictures alone keeps it and sees the keys itself.
    HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (first && IsChild(Handle(), first) && (GetWindowLongA(first, GWL_STYLE) & WS_TABSTOP))
        ::SetFocus(first);
}

void Form::ScaleForDpi(int dpi)
{
    if (!Scaled() || dpi <= 0 || dpi == pixelsPerInch_)
        return;
    // The new DPI counts from the start: layouts placed again while the
    // form scales (anchors) take it for theirs.
    const int old = std::exchange(pixelsPerInch_, dpi);
    ChangeScale(dpi, old);
    // Once more with the texts measured in their new fonts: an anchored
    // label keeps its far edge.
    Realign();
    Resized();
}

void Form::ScaleBounds(int m, int d)
{
    SetClientSize(MulDiv(ClientWidth(), m, d), MulDiv(ClientHeight(), m, d));
}

void Form::DoCreate()
{
    if (created_)
        return;
    created_ = true;
    ScaleForDpi(WindowDpi(Handle()));
    if (!OnCreate)
        return;
    try {
        OnCreate();
    } catch (...) {
        App().HandleException();
    }
}

void Form::DoDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    if (OnDestroy) {
        try {
            OnDestroy();
        } catch (...) {
            App().HandleException();
        }
    }
    DestroyHandle();
}

void Form::AddMessageFilter(MessageFilter& filter)
{
    filters_.push_back(&filter);
}

void Form::RemoveMessageFilter(MessageFilter& filter) noexcept
{
    filters_.erase(std::remove(filters_.begin(), filters_.end(), &filter), filters_.end());
}

bool Form::IsKeyMessage(MSG& msg)
{
    // A filter may remove others (or itself) while it runs: go over a copy
    // and skip the ones that left.
    const std::vector<MessageFilter*> filters = filters_;
    for (MessageFilter* filter : filters)
        if (std::find(filters_.begin(), filters_.end(), filter) != filters_.end() && filter->FilterMessage(msg))
            return true;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        if (keyPreview_ && msg.hwnd != Handle() && !PassKey(OnKeyDown, msg.wParam))
            return true;
        if (msg.message != WM_KEYDOWN)
            return false;
        switch (msg.wParam) {
        case VK_RETURN:
        case VK_ESCAPE: {
            const auto code = static_cast<UINT>(
                SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)));
            if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))
                return false;
            Button* target = nullptr;
            if (msg.wParam == VK_ESCAPE) {
                target = cancelButton_;
            } else {
                HWND focus = GetFocus();
                target = IsPushButtonFocus(focus) ? static_cast<Button*>(Window::FromHandle(focus))
                                                  : defaultButton_;
            }
            if (target && target->Handle() && IsWindowVisible(target->Handle()) && target->Enabled()) {
                target->Click();
                return true;
            }
            return false;
        }
        case VK_TAB:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            return IsDialogMessageA(Handle(), &msg) != FALSE;
        default: return false;
        }
    }
    case WM_CHAR:
        return keyPreview_ && msg.hwnd != Handle() && !PassKeyPress(OnKeyPress, msg.wParam);
    default: return false;
    }
}

LRESULT Form::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE: {
        const bool active = LOWORD(wParam) != WA_INACTIVE;
        if (!active) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus))
                focused_ = focus;
        }
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        if (active && !HIWORD(wParam))
            RestoreFocus();
        if (OnActivate)
            OnActivate(active);
        return result;
    }
    case WM_DPICHANGED: {
        // A form that is not scaled (the frozen screen) stays where it is.
        if (!Scaled())
            return 0;
        // Moved to a monitor of another DPI: the system suggests where the
        // window goes; its size follows from the scaled layout.
        ScaleForDpi(LOWORD(wParam));
        if (const auto* suggested = reinterpret_cast<const RECT*>(lParam))
            SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DPICHANGED_AFTERPARENT:
        // A form inside another program's window follows its top window.
        ScaleForDpi(WindowDpi(Handle()));
        break;
    case DM_GETDEFID:
        if (defaultButton_ && defaultButton_->Handle())
            return MAKELRESULT(GetDlgCtrlID(defaultButton_->Handle()), DC_HASDEFID);
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(Handle(), GetFocus(), wParam != 0);
        if (target)
            ::SetFocus(target);
        return 0;
    }
    default: break;
    }
    return Window::WndProc(msg, wParam, lParam);
}

void FormDeleter::operator()(Form* form) const noexcept
{
    if (!form)
        return;
    form->DoDestroy();
    delete form;
}

} // namespace fw
