// Helpers shared by the end-to-end tests of vistrel.exe: the notification
// icon's callback, waiting for the program's windows, and keeping the list of
// default plug-ins out of the way.
#pragma once
#include "E2eDriver.h"
#include "common/PixwellInc.h"

#include <objbase.h>
#include <shlobj.h>

#include <string>

namespace e2e {

inline constexpr char kWizardCaption[] = "Vistrel";
inline constexpr char kNextCaption[] = "Next  >";

inline int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
inline int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

inline void TrayEvent(HWND tray, UINT mouseMessage)
{
    PostMessageA(tray, pixwell::kTrayCallbackMessage, 0, static_cast<LPARAM>(mouseMessage));
}

// The visible window of the process that covers the whole screen.
inline HWND WaitForCaptureSurface(DWORD pid, std::chrono::milliseconds timeout = 10s)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND hwnd : TopWindows(pid)) {
            const RECT r = ScreenRect(hwnd);
            if (r.left == 0 && r.top == 0 && r.right == ScreenWidth() && r.bottom == ScreenHeight()) {
                found = hwnd;
                return true;
            }
        }
        return false;
    }, timeout);
    return found;
}

inline HWND WaitForWizard(DWORD pid, std::chrono::milliseconds timeout = 15s)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND hwnd : TopWindows(pid, kWizardCaption))
            if (FindChild(hwnd, kNextCaption)) {
                found = hwnd;
                return true;
            }
        return false;
    }, timeout);
    return found;
}

inline HWND WaitForChild(HWND parent, const char* caption, std::chrono::milliseconds timeout = 10s)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindChild(parent, caption)) != nullptr; }, timeout);
    return found;
}

// Keeps the list of plug-ins checked by default out of the way for a while,
// so that the wizard's choose page starts with nothing checked whatever an
// earlier test left there.
class CheckedPluginsAside {
public:
    CheckedPluginsAside()
    {
        char folder[MAX_PATH] = {};
        if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE))
            return;
        path_ = std::string(folder) + "\\" + pixwell::kCheckedPluginsFileName;
        aside_ = path_ + ".e2e-aside";
        moved_ = MoveFileExA(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    ~CheckedPluginsAside()
    {
        if (moved_)
            MoveFileExA(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    CheckedPluginsAside(const CheckedPluginsAside&) = delete;
    CheckedPluginsAside& operator=(const CheckedPluginsAside&) = delete;

private:
    std::string path_;
    std::string aside_;
    bool moved_ = false;
};

// Ends the program the orderly way when a test stops half-way: a killed
// program leaves its class registered with COM, which breaks later starts
// by COM in the same session.
class OrderlyEnd {
public:
    explicit OrderlyEnd(Process& program) : program_(program) {}
    ~OrderlyEnd()
    {
        if (!program_.Running())
            return;
        for (HWND wizard : AllTopWindows(program_.Id(), kWizardCaption))
            PostMessageA(wizard, WM_CLOSE, 0, 0);
        WaitFor([&] { return TopWindows(program_.Id(), kWizardCaption).empty(); }, 5s);
        // The main window is the one hidden window that answers WM_CLOSE.
        for (HWND hwnd : AllTopWindows(program_.Id()))
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        program_.WaitExit(15s);
    }
    OrderlyEnd(const OrderlyEnd&) = delete;
    OrderlyEnd& operator=(const OrderlyEnd&) = delete;

private:
    Process& program_;
};

class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};


} // namespace e2e
