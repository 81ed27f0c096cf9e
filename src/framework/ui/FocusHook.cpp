#include "ui/FocusHook.h"

#include "base/Errors.h"

#include <algorithm>
#include <vector>

namespace fw {
namespace {

constexpr char kCannotWatchFocus[] = "Cannot watch the keyboard focus";

struct FocusWatch {
    std::vector<FocusWatcher*> watchers;
    HHOOK hook = nullptr;
};
thread_local FocusWatch focusWatch;

bool Watched(const FocusWatcher* watcher) noexcept
{
    const auto& list = focusWatch.watchers;
    return std::find(list.begin(), list.end(), watcher) != list.end();
}

bool OfThisThread(HWND hwnd) noexcept
{
    return hwnd && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
}

void Report(HWND gaining, HWND losing) noexcept
{
    try {
        // Watchers may come and go while they are told.
        const std::vector<FocusWatcher*> watchers = focusWatch.watchers;
        for (FocusWatcher* watcher : watchers)
            if (Watched(watcher))
                watcher->FocusMoved(gaining, losing);
    } catch (...) {
        // No memory for the copy: this change goes unreported.
    }
}

// The sent WM_SETFOCUS reports a change within the thread; WM_KILLFOCUS only
// one that leaves it (to nothing or to another thread), which no
// WM_SETFOCUS of ours follows.
LRESULT CALLBACK FocusHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call) {
        if (call->message == WM_SETFOCUS)
            Report(call->hwnd, reinterpret_cast<HWND>(call->wParam));
        else if (call->message == WM_KILLFOCUS && !OfThisThread(reinterpret_cast<HWND>(call->wParam)))
            Report(reinterpret_cast<HWND>(call->wParam), call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void WatchFocus(FocusWatcher& watcher)
{
    if (Watched(&watcher))
        return;
    if (!focusWatch.hook) {
        focusWatch.hook = SetWindowsHookExA(WH_CALLWNDPROC, &FocusHookProc, nullptr, GetCurrentThreadId());
        if (!focusWatch.hook)
            RaiseLastOSError(kCannotWatchFocus);
    }
    focusWatch.watchers.push_back(&watcher);
}

void UnwatchFocus(FocusWatcher& watcher) noexcept
{
    auto& list = focusWatch.watchers;
    list.erase(std::remove(list.begin(), list.end(), &watcher), list.end());
    if (list.empty() && focusWatch.hook) {
        UnhookWindowsHookEx(focusWatch.hook);
        focusWatch.hook = nullptr;
    }
}

} // namespace fw
