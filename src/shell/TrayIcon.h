// The program's icon in the notification area. The unit owns the icon for its
// whole life: it adds it when made, changes it on request, removes it when it
// goes, and adds it again whenever the shell re-creates the taskbar (the
// registered "TaskbarCreated" message, broadcast after the shell restarted),
// which would otherwise lose the icon for good. The icon's mouse events reach
// the owner through a hidden window of the unit's own.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/Application.h"

class TTrayIcon {
public:
    // The mouse event the shell reported for the icon (WM_LBUTTONDBLCLK,
    // WM_RBUTTONUP, ...).
    using TEventHandler = std::function<void(UINT mouseEvent)>;

    // Creates the hidden window `windowName` that receives the icon's
    // messages and adds the icon: `icon` with the tool tip `tip` (63
    // characters at most are kept), its events sent as `callbackMessage` and
    // passed to `onEvent`. The record is the first, smallest layout of the
    // shell's NOTIFYICONDATAA, which every version of the shell accepts. A
    // shell that refuses the icon is not reported: the program then runs
    // without one until the taskbar is created again.
    TTrayIcon(UINT callbackMessage, HICON icon, const std::string& tip, const char* windowName,
              TEventHandler onEvent);
    // Removes the icon, then the window.
    ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    // Changes the icon's tip; false when the shell has no such icon.
    bool SetTip(const std::string& tip);

    // The record handed to the shell.
    const NOTIFYICONDATAA& Data() const noexcept { return data_; }
    // The hidden window the shell sends the icon's messages to.
    HWND Window() const noexcept { return window_ ? window_->Handle() : nullptr; }
    // The message the shell broadcasts to top-level windows when it has
    // created the taskbar anew.
    static UINT TaskbarCreatedMessage() noexcept;

private:
    // Shell_NotifyIconA with the record; the shell's verdict.
    bool Command(DWORD op) noexcept;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

    NOTIFYICONDATAA data_{};
    TEventHandler onEvent_;
    UINT taskbarCreated_ = 0;
    std::unique_ptr<fw::MessageWindow> window_;
};
