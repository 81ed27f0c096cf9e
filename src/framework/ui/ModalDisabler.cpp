#include "ui/ModalDisabler.h"

namespace fw {

ThreadWindowsDisabler::ThreadWindowsDisabler(HWND except) : except_(except)
{
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    for (HWND hwnd : windows_)
        EnableWindow(hwnd, FALSE);
}

void ThreadWindowsDisabler::Restore() noexcept
{
    for (HWND hwnd : windows_)
        if (IsWindow(hwnd))
            EnableWindow(hwnd, TRUE);
    windows_.clear();
}

BOOL CALLBACK ThreadWindowsDisabler::Collect(HWND hwnd, LPARAM param)
{
    auto* self = reinterpret_cast<ThreadWindowsDisabler*>(param);
    if (hwnd != self->except_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        try {
            self->windows_.push_back(hwnd);
        } catch (...) {
            return FALSE; // no memory: leave the rest enabled rather than lose track of them
        }
    }
    return TRUE;
}

} // namespace fw
