// Helpers shared by the end-to-end tests of vistrel.exe: the notification
// icon's callback, waiting for the program's windows, and keeping the list of
// default plug-ins out of the way.
#pragma once
#include "E2eDriver.h"
#include "common/PixwellInc.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

namespace e2e {

inline constexpr char kWizardCaption[] = "Vistrel";
inline constexpr char kNextCaption[] = "Next  >";
inline constexpr char kSettingsCaption[] = "Vistrel Settings";
inline constexpr char kAboutCaption[] = "About Vistrel";
// The hidden window that receives the notification icon's callback.
inline constexpr char kTrayWindowName[] = "Vistrel notification icon";

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

// A plug-in library of this build, its name on the choose page, and the
// check mark of a check-box list view's row (state image 2).
inline constexpr char kFileSavePluginLibrary[] = "stowick.dll";
inline constexpr char kSaveToFilePlugin[] = "SaveToFile plugin";
inline constexpr UINT kCheckedState = INDEXTOSTATEIMAGEMASK(2);
inline constexpr char kListViewClass[] = "SysListView32";

// A plug-in library of the build registered for the test's time, the way
// the system's registration tool does it.
class PluginRegistration {
public:
    explicit PluginRegistration(const char* library = kFileSavePluginLibrary)
        : module_(LoadLibraryA((BinDir() + "\\" + library).c_str()))
    {
        if (auto enter = Entry("DllRegisterServer"))
            result_ = enter();
    }
    ~PluginRegistration()
    {
        if (auto leave = Entry("DllUnregisterServer"))
            leave();
        if (module_)
            FreeLibrary(module_);
    }
    PluginRegistration(const PluginRegistration&) = delete;
    PluginRegistration& operator=(const PluginRegistration&) = delete;
    HRESULT Result() const { return result_; }

private:
    using EntryPoint = HRESULT(STDAPICALLTYPE*)();
    EntryPoint Entry(const char* name) const
    {
        return module_ ? reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }
    HMODULE module_ = nullptr;
    HRESULT result_ = E_UNEXPECTED;
};

// A fresh, empty folder under the temporary folder, removed with what it holds.
class TempFolder {
public:
    TempFolder()
    {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "vistrel-e2e-save-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount()) + "\\";
        created_ = CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
    }
    ~TempFolder()
    {
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((path_ + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // With the trailing backslash.
    const std::string& Path() const { return path_; }
    bool Created() const { return created_; }

private:
    std::string path_;
    bool created_ = false;
};

inline HWND WaitForChildOfClass(HWND parent, const char* className, std::chrono::milliseconds timeout = 10s)
{
    HWND found = nullptr;
    WaitFor([&] {
        const std::vector<HWND> all = ChildrenOfClass(parent, className);
        found = all.size() == 1 ? all.front() : nullptr;
        return found != nullptr;
    }, timeout);
    return found;
}

// Waits for the started program's icon and starts a capture through it while
// the screen shows the test pattern (gone again once the screen is frozen).
// The capture surface, or null with what went wrong in `why`.
inline HWND StartCaptureOnPattern(DWORD pid, std::string& why)
{
    const HWND tray = WaitForAnyTopWindow(pid, kTrayWindowName, 30s);
    if (!tray) {
        why = "no notification icon window";
        return nullptr;
    }
    HWND surface = nullptr;
    {
        PatternWindow pattern(RECT{0, 0, ScreenWidth(), ScreenHeight()});
        TrayEvent(tray, WM_LBUTTONDBLCLK);
        surface = WaitForCaptureSurface(pid);
    }
    if (!surface) {
        why = "the icon's double-click did not start a capture";
        return nullptr;
    }
    Pump(300ms);
    return surface;
}

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
        // The wizard and the dialogs first: they are modal windows of the
        // program, which ends only once they have gone.
        for (const char* caption : {kWizardCaption, kSettingsCaption, kAboutCaption})
            for (HWND window : AllTopWindows(program_.Id(), caption))
                PostMessageA(window, WM_CLOSE, 0, 0);
        WaitFor([&] {
            for (const char* caption : {kWizardCaption, kSettingsCaption, kAboutCaption})
                if (!TopWindows(program_.Id(), caption).empty())
                    return false;
            return true;
        }, 5s);
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

inline int RowWithCaption(HWND listView, const char* caption)
{
    for (int i = 0; i < ListViewCount(listView); ++i)
        if (ListViewItemText(listView, i) == caption)
            return i;
    return -1;
}

inline int ComboSelection(HWND combo)
{
    return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};


} // namespace e2e
