// The program's hidden main window: it has the notification icon and its
// menu, serves as the full-screen surface on which the user selects part of
// a frozen copy of the screen, and ends the program when it closes. It only
// routes events: the icon (TrayIcon), the capture (CaptureSurface) and the
// end of a program started by COM (ServerShutdown) are units of their own.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

#include "shell/CaptureSelection.h"
#include "shell/CaptureSurface.h"
#include "shell/ServerShutdown.h"
#include "shell/TrayIcon.h"
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
// that it can be told apart from the program's other hidden windows (the
// setup finds a running program by it, installer/vistrel.nsi).
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

    // An event of the notification icon (the mouse event the shell reported).
    void TrayIconEvent(UINT mouseEvent);

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
    void EndCapture();

    // The COM server support reports that clients released the last object
    // the program served (installed only when COM started the program).
    void LastServedObjectReleased();

    // State, read by tests and diagnostics.
    // The icon's record; all zero before FormCreate and after FormDestroy.
    const NOTIFYICONDATAA& IconData() const noexcept;
    HWND TrayWindow() const noexcept { return trayIcon_ ? trayIcon_->Window() : nullptr; }
    const fw::DibBitmap* CapturedScreen() const noexcept { return surface_->Screen(); }
    TSelectionRect Selection() const noexcept { return surface_->Selection(); }
    bool IsSelecting() const noexcept { return surface_->Selecting(); }
    // A capture covers the screen or one of the program's modal windows is
    // open: the icon then starts nothing new.
    bool Busy() const { return shutdown_.Busy(); }

private:
    void BuildTrayMenu();
    void FromIcon(const std::function<void()>& action);
    void BringOpenWindowToFront();
    // Creates a dialog of the menu into `variable` and shows it modally, then
    // destroys it and trims the working set, also when the show raises.
    template <class TDialog, class... Args>
    void RunModalWindow(fw::FormPtr<TDialog>& variable, Args&&... args);
    void FormCloseQuery(bool& canClose);

    // Made once the picture control exists, which it works on.
    std::unique_ptr<TCaptureSurface> surface_;
    TServerShutdown shutdown_;
    std::unique_ptr<TTrayIcon> trayIcon_;
    std::unique_ptr<THelpDisplay> help_;
};
