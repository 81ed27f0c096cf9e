// One hook per thread that tells its watchers of every keyboard focus change
// while it happens, whoever moves the focus (a click, dialog navigation, a
// control itself, activation leaving for another program).
#pragma once
#include <windows.h>

namespace fw {

class FocusWatcher {
public:
    // `gaining` is null (or another thread's window) when the focus leaves
    // the thread. Called inside the hook: do little, never raise.
    virtual void FocusMoved(HWND gaining, HWND losing) noexcept = 0;

protected:
    ~FocusWatcher() = default;
};

// Starts telling `watcher` (the hook is set when the first one comes).
// Raises fw::Error when the hook cannot be set.
void WatchFocus(FocusWatcher& watcher);
// Stops; the hook goes with the last watcher. Safe while a report runs.
void UnwatchFocus(FocusWatcher& watcher) noexcept;

} // namespace fw
