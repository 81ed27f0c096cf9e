// Display scaling: forms are laid out in pixels of a 96-DPI display and
// scaled to the DPI of the monitor they are shown on.
#pragma once
#include <windows.h>

namespace fw {

// The pixels per inch every layout of the program is written in.
constexpr int kDesignDpi = 96;

// The DPI a window is shown at: its monitor's for a per-monitor aware
// window, otherwise the system's. 96 when neither can be told.
int WindowDpi(HWND hwnd) noexcept;

class Window;

// The pixels per inch the form holding `window` is laid out at (96 for a
// window on no form): design pixels of its controls scale by it.
int LayoutDpi(Window& window) noexcept;

// A system metric (GetSystemMetrics' index) for the DPI a window is shown at.
int SystemMetricFor(HWND hwnd, int index) noexcept;

// A length of the design scaled to `dpi`.
inline int ScaleToDpi(int value, int dpi) noexcept
{
    return MulDiv(value, dpi, kDesignDpi);
}

} // namespace fw
