// The tray program from the outside: registration switches, the icon's
// callback, the capture surface driven by the real mouse and keyboard, the
// wizard on the selected pixels, the menu's Exit and the end of a program
// that COM started.
#include "E2eDriver.h"
#include "VistrelE2e.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "common/PixwellInc.h"
#include "com/ComServer.h"

using namespace e2e;

namespace {

constexpr char kCloseCaption[] = "Close";
constexpr char kSkipCaption[] = "Skip";
constexpr char kLeaveInClipboard[] = "Leave screen-shot in Clipboard";
constexpr char kMenuClass[] = "#32768";
constexpr char kDialogClass[] = "#32770";

std::string Exe()
{
    return BinDir() + "\\vistrel.exe";
}


std::string ClassKey()
{
    return std::string("CLSID\\") + pixwell::kPixwellObjectClsid;
}

bool ClassesKeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string ClassesKeyDefault(const std::string& path)
{
    char value[MAX_PATH * 2] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, path.c_str(), value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

// Nothing of the process shows during `duration`.
bool StaysInvisible(DWORD pid, std::chrono::milliseconds duration)
{
    return !WaitFor([&] { return !TopWindows(pid).empty(); }, duration);
}

// A running vistrel.exe with its notification icon's window.
class RunningProgram {
public:
    RunningProgram() : process_(Exe())
    {
        tray_ = WaitForAnyTopWindow(process_.Id(), kTrayWindowName, 30s);
    }
    // Ends the program the orderly way where a test left it running: a
    // killed local server leaves its class registered with COM for a while.
    ~RunningProgram()
    {
        if (!process_.Running())
            return;
        for (HWND hwnd : AllTopWindows(process_.Id(), kWizardCaption))
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        process_.WaitExit(15s);
    }
    Process& process() { return process_; }
    DWORD Id() const { return process_.Id(); }
    HWND Tray() const { return tray_; }

    // Opens the icon's menu with the pointer at a known place and clicks its
    // last item, "Exit".
    void ChooseExit()
    {
        MoveMouse(600, 400);
        TrayEvent(tray_, WM_RBUTTONUP);
        HWND menu = WaitForWindowOfClass(Id(), kMenuClass);
        ASSERT_NE(menu, nullptr) << "the icon's menu did not open";
        const RECT r = ScreenRect(menu);
        ClickAt(r.left + 30, r.bottom - 10);
    }

private:
    Process process_;
    HWND tray_ = nullptr;
};

IUnknown* CreateCatalogue(HRESULT* result)
{
    wchar_t text[40] = {};
    MultiByteToWideChar(CP_ACP, 0, pixwell::kPixwellObjectClsid, -1, text, 40);
    CLSID clsid{};
    CLSIDFromString(text, &clsid);
    IUnknown* object = nullptr;
    *result = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object));
    return object;
}

} // namespace

TEST(ShellE2e, RegistrationSwitchesWriteOrRemoveTheClassAndEndAtOnce)
{
    {
        Process p(Exe(), "/REGSERVER");
        bool iconWindowSeen = false;
        const bool ended = WaitFor([&] {
            iconWindowSeen = iconWindowSeen || !AllTopWindows(p.Id(), kTrayWindowName).empty();
            return !p.Running();
        }, 60s);
        ASSERT_TRUE(ended);
        DWORD code = 99;
        GetExitCodeProcess(p.Handle(), &code);
        EXPECT_EQ(code, 0u);
        EXPECT_FALSE(iconWindowSeen);
    }
    const std::string server = ClassesKeyDefault(ClassKey() + "\\LocalServer32");
    EXPECT_THAT(server, testing::HasSubstr("vistrel.exe"));
    EXPECT_EQ(ClassesKeyDefault(ClassKey() + "\\ProgID"), "pixwell.PixwellObject");
    EXPECT_TRUE(ClassesKeyExists(std::string("TypeLib\\") + pixwell::kPixwellLibId + "\\1.0"));

    EXPECT_EQ(RunToEnd(Exe(), "-unregserver"), 0);
    EXPECT_FALSE(ClassesKeyExists(ClassKey()));
    EXPECT_FALSE(ClassesKeyExists("pixwell.PixwellObject"));
    EXPECT_FALSE(ClassesKeyExists(std::string("TypeLib\\") + pixwell::kPixwellLibId + "\\1.0"));

    // An ordinary start registers again.
    RunningProgram program;
    ASSERT_NE(program.Tray(), nullptr);
    EXPECT_TRUE(ClassesKeyExists(ClassKey() + "\\LocalServer32"));
}

TEST(ShellE2e, DoubleClickCapturesEscapeAndDeactivationAbandon)
{
    RunningProgram program;
    ASSERT_NE(program.Tray(), nullptr) << "no notification icon window";

    // Single clicks, presses and moves do nothing.
    TrayEvent(program.Tray(), WM_LBUTTONDOWN);
    TrayEvent(program.Tray(), WM_LBUTTONUP);
    TrayEvent(program.Tray(), WM_MOUSEMOVE);
    TrayEvent(program.Tray(), WM_RBUTTONDOWN);
    EXPECT_TRUE(StaysInvisible(program.Id(), 1500ms));

    TrayEvent(program.Tray(), WM_LBUTTONDBLCLK);
    HWND surface = WaitForCaptureSurface(program.Id());
    ASSERT_NE(surface, nullptr) << "a double-click did not start a capture";

    KeyPress(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(surface); }, 5s)) << "Escape did not end the capture";
    EXPECT_TRUE(StaysInvisible(program.Id(), 1500ms)) << "something opened after Escape";

    // Another window becoming active ends a capture the same way.
    TrayEvent(program.Tray(), WM_LBUTTONDBLCLK);
    ASSERT_NE(WaitForCaptureSurface(program.Id()), nullptr);
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 50, 50, 100, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(surface); }, 5s))
        << "deactivation did not end the capture";
    DestroyWindow(other);
    EXPECT_TRUE(StaysInvisible(program.Id(), 1000ms));
    EXPECT_TRUE(program.process().Running());
}

TEST(ShellE2e, DraggedSelectionReachesTheClipboardPixelForPixel)
{
    CheckedPluginsAside nothingChecked;
    RunningProgram program;
    ASSERT_NE(program.Tray(), nullptr);
    EmptyClipboardNow();

    HWND surface = nullptr;
    {
        PatternWindow pattern(RECT{0, 0, ScreenWidth(), ScreenHeight()});
        TrayEvent(program.Tray(), WM_LBUTTONDBLCLK);
        surface = WaitForCaptureSurface(program.Id());
    }
    // The pattern is gone from the real screen; the surface shows the copy.
    ASSERT_NE(surface, nullptr);
    Pump(300ms);

    // Bottom-right to top-left: the selection is (210, 180) - (410, 330),
    // the pixel under the release point excluded.
    const POINT from{410, 330}, to{210, 180};
    Drag(from, to);

    HWND wizard = WaitForWizard(program.Id());
    ASSERT_NE(wizard, nullptr) << "no wizard after the drag";
    EXPECT_FALSE(IsWindowVisible(surface));

    // The icon starts nothing new while the wizard is open; it brings the
    // wizard forward instead.
    TrayEvent(program.Tray(), WM_LBUTTONDBLCLK);
    TrayEvent(program.Tray(), WM_RBUTTONUP);
    Pump(1500ms);
    EXPECT_EQ(WaitForCaptureSurface(program.Id(), 500ms), nullptr);
    EXPECT_EQ(WaitForWindowOfClass(program.Id(), kMenuClass, 500ms), nullptr);
    EXPECT_EQ(TopWindows(program.Id(), kWizardCaption).size(), 1u);
    EXPECT_EQ(GetForegroundWindow(), wizard);

    Click(WaitForChild(wizard, kNextCaption));
    ASSERT_NE(WaitForChild(wizard, kSkipCaption), nullptr) << "the plug-in page did not show";
    Click(WaitForChild(wizard, kNextCaption));
    HWND leave = WaitForChild(wizard, kLeaveInClipboard);
    ASSERT_NE(leave, nullptr) << "the report page did not show";
    if (SendMessageA(leave, BM_GETCHECK, 0, 0) != BST_CHECKED)
        Click(leave);
    ASSERT_EQ(SendMessageA(leave, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(WaitForChild(wizard, kCloseCaption));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(wizard); }, 10s)) << "the wizard did not close";

    const ClipboardImage image = ReadClipboardImage();
    ASSERT_TRUE(image.valid);
    ASSERT_EQ(image.width, from.x - to.x);
    ASSERT_EQ(image.height, from.y - to.y);
    int mismatches = 0;
    POINT first{-1, -1};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const COLORREF want = PatternWindow::PatternColour(to.x + x, to.y + y);
            const COLORREF got = image.pixels[static_cast<size_t>(y) * image.width + x];
            if (got != want && mismatches++ == 0)
                first = POINT{x, y};
        }
    EXPECT_EQ(mismatches, 0) << "first differing pixel of the image at (" << first.x << ", " << first.y
                             << ")";
    EXPECT_TRUE(program.process().Running());
    EXPECT_TRUE(StaysInvisible(program.Id(), 500ms));
}

TEST(ShellE2e, ExitFromTheMenuEndsTheProgram)
{
    RunningProgram program;
    ASSERT_NE(program.Tray(), nullptr);
    program.ChooseExit();
    DWORD code = 99;
    ASSERT_TRUE(program.process().WaitExit(15s, &code)) << "Exit did not end the program";
    EXPECT_EQ(code, 0u);
}

TEST(ShellE2e, ExitAsksFirstWhileAClientHoldsACatalogue)
{
    ComApartment com;
    RunningProgram program;
    ASSERT_NE(program.Tray(), nullptr);

    HRESULT hr = E_FAIL;
    IUnknown* catalogue = CreateCatalogue(&hr);
    ASSERT_EQ(hr, S_OK);
    ASSERT_NE(catalogue, nullptr);
    // Served by the running program, not by a second one.
    EXPECT_EQ(ProcessIdsByName("vistrel.exe").size(), 1u);

    program.ChooseExit();
    HWND question = WaitForWindowOfClass(program.Id(), kDialogClass);
    ASSERT_NE(question, nullptr) << "no warning while a client holds an object";
    EXPECT_NE(FindChild(question, fw::kActiveComObjectsWarning), nullptr);
    Click(FindChild(question, "&No"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(question); }, 5s));
    EXPECT_FALSE(program.process().WaitExit(1500ms)) << "No must keep the program running";

    catalogue->Release();
    program.ChooseExit();
    EXPECT_TRUE(program.process().WaitExit(15s)) << "Exit without clients must end at once";
}

TEST(ShellE2e, StartedByComItEndsWhenTheLastObjectIsReleased)
{
    ComApartment com;
    ASSERT_EQ(RunToEnd(Exe(), "/regserver"), 0);
    ASSERT_TRUE(ProcessIdsByName("vistrel.exe").empty()) << "a program of an earlier test still runs";

    HRESULT hr = E_FAIL;
    IUnknown* catalogue = CreateCatalogue(&hr);
    ASSERT_EQ(hr, S_OK);
    ASSERT_NE(catalogue, nullptr);
    const std::vector<DWORD> started = ProcessIdsByName("vistrel.exe");
    ASSERT_EQ(started.size(), 1u) << "COM did not start the program";
    struct Reaper {
        DWORD pid;
        ~Reaper()
        {
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
                TerminateProcess(h, 99);
                CloseHandle(h);
            }
        }
    } reaper{started.front()};

    // Started by COM, it is the same program, icon included.
    EXPECT_NE(WaitForAnyTopWindow(started.front(), kTrayWindowName), nullptr);
    EXPECT_FALSE(WaitProcessGone(started.front(), 1000ms)) << "ended while a client holds an object";

    catalogue->Release();
    EXPECT_TRUE(WaitProcessGone(started.front(), 15s)) << "still running after the last release";
}
