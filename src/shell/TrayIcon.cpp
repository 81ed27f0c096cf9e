#include "shell/TrayIcon.h"

#include <cstddef>
#include <utility>

// The first layout of the record ends with a tip of 64 characters.
static_assert(NOTIFYICONDATAA_V1_SIZE == offsetof(NOTIFYICONDATAA, szTip) + 64);

namespace {

constexpr char kTaskbarCreated[] = "TaskbarCreated";

} // namespace

TTrayIcon::TTrayIcon(UINT callbackMessage, HICON icon, const std::string& tip, const char* windowName,
                     TEventHandler onEvent)
    : onEvent_(std::move(onEvent)), taskbarCreated_(TaskbarCreatedMessage())
{
    window_ = std::make_unique<fw::MessageWindow>();
    // Named before the handler starts, which drops every message it does not know.
    window_->Default(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(windowName));
    window_->SetHandler(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return WndProc(message, wParam, lParam); });

    data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data_.hWnd = window_->Handle();
    data_.uID = 0;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = icon;
    lstrcpynA(data_.szTip, tip.c_str(), sizeof data_.szTip);
    Command(NIM_ADD);
}

TTrayIcon::~TTrayIcon()
{
    Command(NIM_DELETE);
    window_.reset();
}

UINT TTrayIcon::TaskbarCreatedMessage() noexcept
{
    return RegisterWindowMessageA(kTaskbarCreated);
}

bool TTrayIcon::Command(DWORD op) noexcept
{
    return Shell_NotifyIconA(op, &data_) != FALSE;
}

bool TTrayIcon::SetTip(const std::string& tip)
{
    lstrcpynA(data_.szTip, tip.c_str(), sizeof data_.szTip);
    return Command(NIM_MODIFY);
}

LRESULT TTrayIcon::WndProc(UINT message, WPARAM, LPARAM lParam)
{
    // The window is a top-level one and so is asked, like every other,
    // whether the session may end; it has nothing to save and must not veto.
    if (message == WM_QUERYENDSESSION)
        return TRUE;
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        // A new taskbar knows no icons. The message also comes when the
        // icon survived (a change of the display's scale, say): then the
        // icon is brought up to date instead.
        if (!Command(NIM_ADD))
            Command(NIM_MODIFY);
        return 0;
    }
    if (message == data_.uCallbackMessage && onEvent_)
        onEvent_(static_cast<UINT>(lParam));
    // Everything else is dropped, without default processing.
    return 0;
}
