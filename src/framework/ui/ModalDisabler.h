// The thread's other top-level windows are disabled while a modal window is
// up, as the system's modal dialogs do with their owner. Enable them again
// (Restore) before the modal window goes: a window hidden or destroyed while
// every other window of the program is disabled hands the activation to
// another application.
#pragma once
#include <windows.h>

#include <vector>

namespace fw {

class ThreadWindowsDisabler {
public:
    // Disables the visible, enabled top-level windows of this thread but
    // `except` (the modal window itself, or the owner of a system dialog,
    // which that dialog disables and enables again on its own).
    explicit ThreadWindowsDisabler(HWND except = nullptr);
    ~ThreadWindowsDisabler() { Restore(); }
    ThreadWindowsDisabler(const ThreadWindowsDisabler&) = delete;
    ThreadWindowsDisabler& operator=(const ThreadWindowsDisabler&) = delete;

    // Enables what was disabled (the windows that still exist); once.
    void Restore() noexcept;

private:
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM self);

    HWND except_;
    std::vector<HWND> windows_;
};

} // namespace fw
