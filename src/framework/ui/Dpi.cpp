#include "ui/Dpi.h"
#include "gdi/Graphics.h"
#include "ui/Form.h"

namespace fw {

int WindowDpi(HWND hwnd) noexcept
{
    // Looked up at run time: systems before Windows 10 have no per-window DPI.
    using GetDpi = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpi>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (hwnd && getDpiForWindow)
        if (const UINT dpi = getDpiForWindow(hwnd))
            return static_cast<int>(dpi);
    return ScreenDpi();
}

int LayoutDpi(Window& window) noexcept
{
    const Form* form = window.ParentForm();
    return form ? form->PixelsPerInch() : kDesignDpi;
}

int SystemMetricFor(HWND hwnd, int index) noexcept
{
    using GetMetric = int(WINAPI*)(int, UINT);
    static const auto getMetricForDpi = reinterpret_cast<GetMetric>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    if (getMetricForDpi)
        return getMetricForDpi(index, static_cast<UINT>(WindowDpi(hwnd)));
    return GetSystemMetrics(index);
}

} // namespace fw
