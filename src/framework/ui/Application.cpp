#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include <commctrl.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace fw {

namespace {

constexpr const char* kUnknownError = "An unexpected error occurred";

// Per-monitor DPI awareness, so that the screen's device context and the
// screen metrics are real pixels on every monitor. Looked up at run time:
// older systems only know SetProcessDPIAware.
void MakeDpiAware() noexcept
{
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    auto proc = GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext");
    auto setContext = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(proc));
    if (setContext && (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
                       setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)))
        return;
    SetProcessDPIAware();
}

} // namespace

Application& App()
{
    static Application application;
    return application;
}

Application::Application()
{
    // The process's DPI awareness is the program's decision: a plug-in
    // library carrying this framework must not change its host's.
    if (GetModuleHandleA(nullptr) == reinterpret_cast<HMODULE>(&__ImageBase))
        MakeDpiAware();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES |
                                             ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
}

int Application::Run(Form& mainForm)
{
    mainForm_ = &mainForm;
    terminated_ = false;
    if (showMainForm)
        mainForm.Show();
    while (!terminated_)
        HandleMessage();
    // The loop is over; what runs after it (clean-up dialogs) runs normally.
    mainForm_ = nullptr;
    terminated_ = false;
    return exitCode_;
}

void Application::Terminate()
{
    PostQuitMessage(0);
}

void Application::ProcessMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ProcessMessage(msg);
        if (msg.message == WM_QUIT)
            break;
    }
}

bool Application::HandleMessage()
{
    MSG msg;
    const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    if (result == -1) {
        terminated_ = true;
        return false;
    }
    ProcessMessage(msg);
    return msg.message != WM_QUIT;
}

void Application::ProcessMessage(MSG& msg)
{
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        exitCode_ = static_cast<int>(msg.wParam);
        return;
    }
    Form* form = nullptr;
    if (msg.hwnd)
        if (Window* root = Window::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)))
            form = root->AsForm();
    if (form) {
        try {
            if (form->PreTranslateMessage(msg) || form->IsKeyMessage(msg))
                return;
        } catch (...) {
            HandleException();
            return;
        }
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

std::string Application::CurrentExceptionMessage()
{
    if (!std::current_exception())
        return kUnknownError;
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return kUnknownError;
    }
}

void Application::HandleException() noexcept
{
    try {
        const std::string message = CurrentExceptionMessage();
        if (exceptionHandler_) {
            // A copy: the handler may replace itself.
            ExceptionHandler handler = exceptionHandler_;
            handler(message);
        } else {
            MessageBox(message, title_, MB_OK | MB_ICONERROR);
        }
    } catch (...) {
        // The error handler itself failed; there is nobody left to tell.
    }
}

Application::ExceptionHandler Application::SetExceptionHandler(ExceptionHandler handler)
{
    std::swap(handler, exceptionHandler_);
    return handler;
}

void Application::SetScreenCursor(Cursor cursor)
{
    if (cursor == screenCursor_)
        return;
    screenCursor_ = cursor;
    if (cursor == crDefault) {
        // Let the window under the pointer choose again.
        POINT pt;
        GetCursorPos(&pt);
        SetCursorPos(pt.x, pt.y);
    } else {
        ::SetCursor(CursorHandle(cursor));
    }
}

void Application::TrimWorkingSet() noexcept
{
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

MessageWindow::MessageWindow(Handler handler)
{
    CreateParams params;
    params.style = WS_POPUP;
    params.exStyle = WS_EX_TOOLWINDOW;
    CreateHandle(params);
    // The handler starts after creation, whose messages need default handling.
    handler_ = std::move(handler);
}

LRESULT MessageWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (handler_)
        return handler_(msg, wParam, lParam);
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace fw
