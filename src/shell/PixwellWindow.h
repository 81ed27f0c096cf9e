// The program's hidden main window: it owns the notification icon and its
// menu, serves as the full-screen surface on which the user selects part of
// a frozen copy of the screen, and ends the program when it closes.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "shell/CaptureSelection.h"
#include "ui/Application.h"
#include "gdi/DibBitmap.h"
#include "ui/Form.h"
#include "ui/ImageControl.h"
#include "ui/Menu.h"

class THelpDisplay;
class TAfterScreenShotWindow;
class TPixwellOptions;
class TAboutWindow;

inline constexpr char kApplicationTitle[] = "Vistrel";
// The message the shell sends to the icon's window, the mouse event in lParam.
inline constexpr UINT TrayCallbackMessage = 45140;
// The hidden window that receives the icon's messages carries this name, so
// that it can be told apart from the program's other hidden windows.
inline constexpr char kTrayWindowName[] = "Vistrel notification icon";

inline constexpr char kGetScreenshotCaption[] = "Get Screenshot!";
inline constexpr char kHelpMenuCaption[] = "Help";
inline constexpr char kPixwellHelpCaption[] = "Vistrel Help";
inline constexpr char kAboutCaption[] = "About...";
inline constexpr char kOptionsCaption[] = "Options...";
inline constexpr char kExitCaption[] = "Exit";
inline constexpr char kMainHelpTopic[] = "main_title.html";

// The wizard while it is open (null otherwise). Created, shown and destroyed
// by the capture; never more than one.
extern fw::FormPtr<TAfterScreenShotWindow> AfterScreenShotWindow;
// The settings dialog and the about box while they are open (null
// otherwise). Created, shown and destroyed by the menu's items.
extern fw::FormPtr<TPixwellOptions> PixwellOptions;
extern fw::FormPtr<TAboutWindow> AboutWindow;

class TPixwellWnd : public fw::Form {
public:
    TPixwellWnd();
    ~TPixwellWnd() override;

    // Components, as the menu and the capture use them.
    fw::PopupMenu TrayMenu;
    fw::MenuItem* GetScreenshot1 = nullptr;
    fw::MenuItem* N1 = nullptr;
    fw::MenuItem* Options1 = nullptr;
    fw::MenuItem* About1 = nullptr;
    fw::MenuItem* Exit1 = nullptr;
    std::unique_ptr<fw::Image> Image;
    fw::MenuItem* Help1 = nullptr;
    fw::MenuItem* PixwellHelp1 = nullptr;

    void FormCreate();
    void FormDestroy();

    // Shell_NotifyIconA with the icon's data; the shell's answer is ignored.
    void TrayIconCommand(DWORD op);
    LRESULT TrayWndProc(UINT message, WPARAM wParam, LPARAM lParam);

    void GetScreenshot1Click();
    void PixwellHelp1Click();
    void About1Click();
    void Options1Click();
    void Exit1Click();

    // Capture: freeze the screen, let the user drag a rectangle, open the
    // wizard on it.
    void StartCapture();
    void ImageMouseDown(fw::MouseButton button, fw::ShiftState shift, int x, int y);
    void ImageMouseMove(fw::ShiftState shift, int x, int y);
    void ImageMouseUp(fw::MouseButton button, fw::ShiftState shift, int x, int y);
    void FormKeyPress(char& key);
    void CaptureActivation(bool active);
    void DrawSelection();
    void EraseSelection();
    void EndCapture();

    // The COM server support reports that clients released the last object
    // the program served (installed only when COM started the program).
    void LastServedObjectReleased();

    // State, read by tests and diagnostics.
    const NOTIFYICONDATAA& IconData() const noexcept { return TrayIconData; }
    HWND TrayWindow() const noexcept { return trayWindow_ ? trayWindow_->Handle() : nullptr; }
    const fw::DibBitmap* CapturedScreen() const noexcept { return ScreenBitmap.get(); }
    TSelectionRect Selection() const noexcept
    {
        return NormalizedSelection(SelStartX, SelStartY, SelEndX, SelEndY);
    }
    bool IsSelecting() const noexcept { return Selecting; }
    // A capture covers the screen or one of the program's modal windows is
    // open: the icon then starts nothing new.
    bool Busy() const noexcept { return modalWindows_ > 0 || Visible(); }

private:
    // Counts one modal window (wizard, dialog, message box) opened from the
    // icon for as long as it is open.
    class TModalWindowScope {
    public:
        explicit TModalWindowScope(TPixwellWnd& owner) noexcept;
        ~TModalWindowScope();
        TModalWindowScope(const TModalWindowScope&) = delete;
        TModalWindowScope& operator=(const TModalWindowScope&) = delete;

    private:
        TPixwellWnd& owner_;
    };

    void BuildTrayMenu();
    void BringOpenWindowToFront();
    // Creates a dialog of the menu into `variable` and shows it modally, then
    // destroys it and trims the working set, also when the show raises.
    template <class TDialog, class... Args>
    void RunModalWindow(fw::FormPtr<TDialog>& variable, Args&&... args);
    void FormCloseQuery(bool& canClose);
    void BecameIdle();

    NOTIFYICONDATAA TrayIconData{};
    std::unique_ptr<fw::DibBitmap> ScreenBitmap;
    int SelStartX = 0;
    int SelStartY = 0;
    int SelEndX = 0;
    int SelEndY = 0;
    bool Selecting = false;

    std::unique_ptr<fw::MessageWindow> trayWindow_;
    std::unique_ptr<THelpDisplay> help_;
    int modalWindows_ = 0;
    bool endWhenIdle_ = false;
};
