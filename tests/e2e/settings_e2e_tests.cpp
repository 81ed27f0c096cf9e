// The settings dialog and the about box from the outside: both opened from
// the icon's menu with the real keyboard, the dialog's choices made with
// real clicks, and the next capture following them: in quick mode the wizard
// opens straight on the default plug-in's options page and closes once that
// plug-in has saved the picture.
#include "E2eDriver.h"
#include "VistrelE2e.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/PixwellInc.h"

using namespace e2e;

namespace {

constexpr char kMenuClass[] = "#32768";
constexpr char kQuickModeCaption[] = "Quick mode";
constexpr char kOkCaption[] = "OK";
constexpr char kCloseCaption[] = "Close";
constexpr char kSkipCaption[] = "Skip";
constexpr char kContinueText[] = "Click Next to continue.";
constexpr char kFileTypeValue[] = "DefaultFileType";
constexpr char kShotName[] = "quick.bmp";
constexpr char kProgramVersion[] = "1.0.1.37";
constexpr char kWebHost[] = "vistrel.org";

// The raw data of registry values, put back as they were when it goes: the
// dialog writes the general settings and the autorun value for real.
class ValuesAside {
public:
    ValuesAside(const char* keyPath, std::vector<std::string> names) : keyPath_(keyPath)
    {
        for (std::string& name : names) {
            Saved saved{std::move(name), std::nullopt, REG_NONE};
            BYTE data[1024];
            DWORD size = sizeof data;
            if (RegGetValueA(HKEY_CURRENT_USER, keyPath_, saved.name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                             &saved.type, data, &size) == ERROR_SUCCESS)
                saved.data = std::vector<BYTE>(data, data + size);
            saved_.push_back(std::move(saved));
        }
    }
    ~ValuesAside()
    {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, keyPath_, &key) != ERROR_SUCCESS)
            return;
        for (const Saved& s : saved_) {
            if (s.data)
                RegSetValueExA(key, s.name.c_str(), 0, s.type, s.data->data(), static_cast<DWORD>(s.data->size()));
            else
                RegDeleteValueA(key, s.name.c_str());
        }
        RegCloseKey(key);
    }
    ValuesAside(const ValuesAside&) = delete;
    ValuesAside& operator=(const ValuesAside&) = delete;

private:
    struct Saved {
        std::string name;
        std::optional<std::vector<BYTE>> data;
        DWORD type;
    };
    const char* keyPath_;
    std::vector<Saved> saved_;
};

DWORD ReadGeneral(const char* name)
{
    DWORD value = 0xDEAD;
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, pixwell::kGeneralKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string CheckedPluginsFile()
{
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
    return ReadFile(std::string(folder) + "\\" + pixwell::kCheckedPluginsFileName);
}

// A running vistrel.exe, its notification icon's window, and an orderly end.
class RunningProgram {
public:
    RunningProgram() : process_(BinDir() + "\\" + pixwell::kHostFileName), end_(process_)
    {
        tray_ = WaitForAnyTopWindow(process_.Id(), kTrayWindowName, 30s);
    }
    DWORD Id() const { return process_.Id(); }
    HWND Tray() const { return tray_; }
    Process& process() { return process_; }

    // Opens the icon's menu with the right button, as the shell reports it,
    // and walks it with the keyboard: `keys`, then Enter.
    void ChooseFromMenu(std::initializer_list<WORD> keys)
    {
        MoveMouse(600, 400);
        TrayEvent(tray_, WM_RBUTTONUP);
        HWND menu = WaitForWindowOfClass(Id(), kMenuClass);
        ASSERT_NE(menu, nullptr) << "the icon's menu did not open";
        Pump(200ms);
        for (const WORD key : keys) {
            KeyPress(key);
            Pump(100ms);
        }
        KeyPress(VK_RETURN);
    }

private:
    Process process_;
    OrderlyEnd end_;
    HWND tray_ = nullptr;
};

// The menu from the top: "Get Screenshot!", a separator, "Help" (with
// "Vistrel Help" and "About..."), "Options...", "Exit".
const std::initializer_list<WORD> kToOptions{VK_DOWN, VK_DOWN, VK_DOWN};
const std::initializer_list<WORD> kToAbout{VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN};

} // namespace

TEST(SettingsE2e, QuickModeAndADefaultPluginChosenInTheDialogDriveTheNextCapture)
{
    ComApartment com;
    PluginRegistration registration;
    ASSERT_EQ(registration.Result(), S_OK) << "the file-save plug-in did not register";
    const ValuesAside general(pixwell::kGeneralKey,
                              {pixwell::kQuickModeValue, pixwell::kMaxHistoryStepsValue});
    const ValuesAside autoRun(pixwell::kAutoRunKey, {pixwell::kAutoRunValue});
    // The autorun key is expected to exist, as on every Windows.
    HKEY run = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, pixwell::kAutoRunKey, &run), ERROR_SUCCESS);
    RegCloseKey(run);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, pixwell::kGeneralKey, pixwell::kQuickModeValue);
    // The dialog shows the default undo depth, which OK then stores.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, pixwell::kGeneralKey, pixwell::kMaxHistoryStepsValue);
    const DWORD bmp = 0;
    RegSetKeyValueA(HKEY_CURRENT_USER, pixwell::kStowickPluginKey, kFileTypeValue, REG_DWORD, &bmp, sizeof bmp);
    CheckedPluginsAside nothingChecked;
    TempFolder folder;
    ASSERT_TRUE(folder.Created());
    const std::string target = folder.Path() + kShotName;

    RunningProgram program;
    ASSERT_NE(program.Tray(), nullptr) << "no notification icon window";

    // ---- The settings dialog, from the menu.
    program.ChooseFromMenu(kToOptions);
    HWND dialog = WaitForTopWindow(program.Id(), kSettingsCaption);
    ASSERT_NE(dialog, nullptr) << "\"Options...\" did not open the settings dialog";
    // Counted as busy: the icon brings the dialog forward instead of a capture.
    TrayEvent(program.Tray(), WM_LBUTTONDBLCLK);
    Pump(1000ms);
    EXPECT_EQ(WaitForCaptureSurface(program.Id(), 300ms), nullptr) << "a capture started over the dialog";
    EXPECT_EQ(GetForegroundWindow(), dialog);

    HWND quickMode = WaitForChild(dialog, kQuickModeCaption);
    ASSERT_NE(quickMode, nullptr);
    ASSERT_NE(SendMessageA(quickMode, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(quickMode);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(quickMode, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 3s));

    HWND plugins = WaitForChildOfClass(dialog, kListViewClass);
    ASSERT_NE(plugins, nullptr);
    int row = -1;
    WaitFor([&] { return (row = RowWithCaption(plugins, kSaveToFilePlugin)) >= 0; }, 5s);
    ASSERT_GE(row, 0) << "the registered plug-in is not listed";
    ASSERT_NE(ListViewItemState(plugins, row, LVIS_STATEIMAGEMASK), kCheckedState);
    const RECT icon = ListViewItemRect(plugins, row, LVIR_ICON);
    ClickAt(icon.left - GetSystemMetrics(SM_CXSMICON) / 2, (icon.top + icon.bottom) / 2);
    ASSERT_TRUE(WaitFor([&] { return ListViewItemState(plugins, row, LVIS_STATEIMAGEMASK) == kCheckedState; },
                        3s))
        << "a click on the row's check box did not check it";

    Click(WaitForChild(dialog, kOkCaption));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 10s)) << "OK did not close the dialog";
    EXPECT_EQ(ReadGeneral(pixwell::kQuickModeValue), 1u);
    EXPECT_EQ(ReadGeneral(pixwell::kMaxHistoryStepsValue), 10u);
    EXPECT_EQ(CheckedPluginsFile(), std::string(pixwell::kStowickObjectClsid) + "\r\n");

    // ---- The next capture, in quick mode.
    HWND surface = nullptr;
    {
        PatternWindow pattern(RECT{0, 0, ScreenWidth(), ScreenHeight()});
        TrayEvent(program.Tray(), WM_LBUTTONDBLCLK);
        surface = WaitForCaptureSurface(program.Id());
    }
    ASSERT_NE(surface, nullptr) << "the icon's double-click did not start a capture";
    Pump(300ms);
    const POINT from{120, 100}, to{283, 221};
    Drag(from, to);
    HWND wizard = WaitForWizard(program.Id());
    ASSERT_NE(wizard, nullptr) << "no wizard after the drag";

    // Straight on the plug-in's options page: no preview, no choice.
    HWND fileName = WaitForChildOfClass(wizard, "Edit", 15s);
    ASSERT_NE(fileName, nullptr) << "the wizard did not open on the plug-in's page";
    EXPECT_EQ(FindChild(wizard, kContinueText), nullptr) << "the preview page showed";
    EXPECT_EQ(FindChild(wizard, kSkipCaption), nullptr) << "the choose page showed";
    HWND fileType = WaitForChildOfClass(wizard, "ComboBox");
    ASSERT_NE(fileType, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ComboSelection(fileType) == 0; }, 5s)) << "the settings did not load";

    Click(fileName);
    KeyPress(VK_END);
    KeyChord({VK_SHIFT, VK_HOME});
    TypeText(target);
    ASSERT_TRUE(WaitFor([&] { return WindowText(fileName) == target; }, 3s));

    Click(WaitForChild(wizard, kNextCaption));
    // It closes after the plug-in ran: the report page never shows.
    bool reportSeen = false;
    const bool closed = WaitFor([&] {
        reportSeen = reportSeen || (IsWindow(wizard) && FindChild(wizard, kCloseCaption) != nullptr);
        return !IsWindow(wizard);
    }, 15s);
    ASSERT_TRUE(closed) << "the wizard stayed open after the plug-in ran";
    EXPECT_FALSE(reportSeen);
    const std::string bytes = ReadFile(target);
    ASSERT_GT(bytes.size(), 54u) << "no picture at " << target;
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_TRUE(program.process().Running());
}

TEST(SettingsE2e, TheAboutBoxShowsTheProgramsVersionAndCloses)
{
    RunningProgram program;
    ASSERT_NE(program.Tray(), nullptr) << "no notification icon window";
    program.ChooseFromMenu(kToAbout);
    HWND about = WaitForTopWindow(program.Id(), kAboutCaption);
    ASSERT_NE(about, nullptr) << "\"About...\" did not open the about box";
    EXPECT_NE(WaitForChild(about, kProgramVersion), nullptr) << "the version is not shown";
    EXPECT_NE(FindChild(about, kWebHost), nullptr);
    const RECT r = ScreenRect(about);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - ScreenWidth() / 2), 1) << "not centred";

    // Busy while it is open: the menu does not open again.
    TrayEvent(program.Tray(), WM_RBUTTONUP);
    EXPECT_EQ(WaitForWindowOfClass(program.Id(), kMenuClass, 1000ms), nullptr);

    KeyPress(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5s)) << "Escape did not close the about box";
    // Idle again: the menu opens.
    MoveMouse(600, 400);
    TrayEvent(program.Tray(), WM_RBUTTONUP);
    HWND menu = WaitForWindowOfClass(program.Id(), kMenuClass);
    EXPECT_NE(menu, nullptr) << "the icon stayed busy after the about box closed";
    KeyPress(VK_ESCAPE);
}
