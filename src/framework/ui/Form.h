// Top-level windows: caption, border style, position, key preview, default
// and cancel buttons, and the modal show with its own message loop.
#pragma once
#include "ui/Window.h"
#include <memory>
#include <utility>
#include <vector>

namespace fw {

class Button;

// Something on a form that looks at the form's queued messages before the
// form's keyboard handling: a control site hands its hosted control's keys
// over here. A filter removes itself from the form before it goes.
class MessageFilter {
public:
    // True when the filter consumed the message.
    virtual bool FilterMessage(MSG& msg) = 0;

protected:
    ~MessageFilter() = default;
};

// Results of a modal show (the same numbers as the message-box buttons).
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

enum class BorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum class Position { poDesigned, poDesktopCenter };
enum class CloseAction { caNone, caHide };

class Form : public Window {
public:
    // A hidden top-level window; `owner` (if any) owns it.
    explicit Form(Window* owner = nullptr);
    ~Form() override;

    Form* AsForm() noexcept override { return this; }

    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    // The outer size follows from the client size and the border.
    void SetClientSize(int width, int height);
    void SetPosition(Position position) { position_ = position; }
    BorderStyle GetBorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(BorderStyle style);
    // The system menu with its close box in the caption bar.
    bool SystemMenu() const noexcept { return systemMenu_; }
    void SetSystemMenu(bool on);
    // Whether the form has a button on the taskbar and an entry in the
    // Alt+Tab list when it is shown without an owner (the default); off, it
    // is a tool window, which has neither.
    bool ShowInTaskbar() const noexcept { return showInTaskbar_; }
    void SetShowInTaskbar(bool on);
    // With key preview the form's OnKeyDown/OnKeyPress see every key before
    // the control with the focus.
    bool KeyPreview() const noexcept { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }

    // Shows the form (centred when asked) and brings it to the front.
    void SetVisible(bool visible) override;
    // Closes the form: a modal form ends its modal show with mrCancel; any
    // other asks OnCloseQuery, runs OnClose and hides (the main form ends
    // the application instead).
    void Close();

    // Shows the form and runs a message loop until ModalResult becomes
    // non-zero (a button with a modal result, or Close); meanwhile the
    // thread's other visible top-level windows are disabled. Before it
    // returns OnClose runs (an exception from it leaves ShowModal after the
    // clean-up) and the form is hidden. Exceptions in other handlers are
    // shown by the default error handler and the loop goes on.
    int ShowModal();
    bool Modal() const noexcept { return modal_; }
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    // Enter presses the default button and Escape the cancel button; a form
    // without them lets both keys through to the controls and key handlers.
    Button* DefaultButton() const noexcept { return defaultButton_; }
    Button* CancelButton() const noexcept { return cancelButton_; }
    void SetDefaultButton(Button* button);
    void SetCancelButton(Button* button);

    // Display scaling. A form is laid out for 96 DPI; it takes the DPI of
    // its monitor when it is created (before OnCreate) and again when the
    // window moves to a monitor of another DPI. A form that is not scaled
    // (see Window::SetScaled) stays in the pixels it was laid out in.
    int PixelsPerInch() const noexcept { return pixelsPerInch_; }
    // Scales the form from its present DPI to `dpi`.
    void ScaleForDpi(int dpi);

    // Scales the form for its monitor's DPI, then runs OnCreate, once; call
    // at the end of a derived constructor, or let CreateForm do it. An
    // exception is shown and the form stays usable.
    void DoCreate();
    // Runs OnDestroy once and destroys the window while all members are
    // still alive; call at the start of a derived destructor, or let a
    // FormPtr do it.
    void DoDestroy();

    NotifyEvent OnCreate;
    NotifyEvent OnDestroy;
    // Activation (true) and deactivation (false) of the form.
    std::function<void(bool active)> OnActivate;
    std::function<void(bool& canClose)> OnCloseQuery;
    std::function<void(CloseAction& action)> OnClose;

    // First look at every message for this form's windows taken from the
    // queue; true keeps it from being dispatched. A hosted ActiveX control
    // takes its keys here.
    virtual bool PreTranslateMessage(MSG& /*msg*/) { return false; }
    // The message filters, then key preview, default/cancel buttons and
    // Tab/arrow navigation for a queued message; true when the message was
    // consumed.
    bool IsKeyMessage(MSG& msg);
    // Filters run in the order they were added.
    void AddMessageFilter(MessageFilter& filter);
    void RemoveMessageFilter(MessageFilter& filter) noexcept;

protected:
    // A hidden form that is a child window of `parent`, a window of another
    // program or framework (an ActiveX control's container); it has no
    // caption or border of its own and is never shown modally.
    struct ChildOf {
        HWND parent;
    };
    explicit Form(ChildOf parent);
    bool IsChildForm() const noexcept { return child_; }

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A form scales its client area and keeps its place on the screen.
    void ScaleBounds(int m, int d) override;

private:
    DWORD Style() const;
    DWORD ExStyle() const;
    void ApplyStyle();
    void CenterOnDesktop();
    bool CloseQuery();
    void CloseModal();
    void RestoreFocus();

    BorderStyle borderStyle_ = BorderStyle::bsSizeable;
    bool systemMenu_ = true;
    bool showInTaskbar_ = true;
    bool keyPreview_ = false;
    Position position_ = Position::poDesigned;
    bool modal_ = false;
    int modalResult_ = mrNone;
    Button* defaultButton_ = nullptr;
    Button* cancelButton_ = nullptr;
    HWND focused_ = nullptr;
    std::vector<MessageFilter*> filters_;
    int pixelsPerInch_ = 96;
    bool created_ = false;
    bool destroyed_ = false;
    bool child_ = false;
};

// Owning pointer to a form: OnDestroy runs and the window goes before the
// object is deleted.
struct FormDeleter {
    void operator()(Form* form) const noexcept;
};
template <class T>
using FormPtr = std::unique_ptr<T, FormDeleter>;

// Constructs a form and runs its OnCreate, the way forms are made.
template <class T, class... Args>
FormPtr<T> CreateForm(Args&&... args)
{
    FormPtr<T> form(new T(std::forward<Args>(args)...));
    form->DoCreate();
    return form;
}

} // namespace fw
