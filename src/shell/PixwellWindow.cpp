#include "shell/PixwellWindow.h"

#include <cstddef>
#include <utility>

#include "wizard/AfterScreenShotWindowUnit.h"
#include "settings/AboutUnit.h"
#include "settings/PixwellOptionsUnit.h"
#include "common/PixwellInc.h"
#include "gdi/Canvas.h"
#include "com/ComServer.h"
#include "gdi/Graphics.h"
#include "help/HelpDisplay.h"

// The icon is described in the first, smallest layout of the shell's record,
// which every version of the shell accepts; its tip holds 64 characters.
static_assert(NOTIFYICONDATAA_V1_SIZE == offsetof(NOTIFYICONDATAA, szTip) + 64);
static_assert(TrayCallbackMessage == pixwell::kTrayCallbackMessage);

fw::FormPtr<TAfterScreenShotWindow> AfterScreenShotWindow;
fw::FormPtr<TPixwellOptions> PixwellOptions;
fw::FormPtr<TAboutWindow> AboutWindow;

namespace {

constexpr char kMainIconName[] = "MAINICON";
constexpr int kDesignWidth = 563;
constexpr int kDesignHeight = 342;
constexpr char kEscape = 27;

// The program's own icon at the size the notification area shows; a shared
// handle, so nobody destroys it. Test programs have none and get the stock one.
HICON MainIcon()
{
    auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), kMainIconName, IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

std::string ProgramFolder()
{
    const std::string path = fw::ModuleFileName();
    return path.substr(0, path.find_last_of("\\/") + 1);
}

RECT ToRect(const TSelectionRect& r) noexcept
{
    return RECT{r.left, r.top, r.right, r.bottom};
}

// The window of this thread the user is busy with: the first visible,
// enabled top-level window in z-order. While a modal window runs the
// program's other windows are disabled, so this is the modal one (or a
// dialog a plug-in opened over it).
HWND OpenWindowOfThread(HWND except)
{
    struct Search {
        HWND except;
        HWND found;
    } search{except, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (hwnd == s->except || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

// ---- Modal windows opened from the icon ----------------------------------------

TPixwellWnd::TModalWindowScope::TModalWindowScope(TPixwellWnd& owner) noexcept : owner_(owner)
{
    ++owner_.modalWindows_;
}

TPixwellWnd::TModalWindowScope::~TModalWindowScope()
{
    if (--owner_.modalWindows_ == 0)
        owner_.BecameIdle();
}

// ---- Creation and destruction ------------------------------------------------------

TPixwellWnd::TPixwellWnd()
{
    SetBorderStyle(fw::BorderStyle::bsNone);
    SetCaption(kApplicationTitle);
    SetClientSize(kDesignWidth, kDesignHeight);
    // Escape must reach the form whichever of its windows has the focus.
    SetKeyPreview(true);

    BuildTrayMenu();

    Image = std::make_unique<fw::Image>(*this, fw::Bounds{0, 0, kDesignWidth, kDesignHeight});
    Image->SetAlign(fw::Align::alClient);
    Image->SetStretch(true);
    Image->OnMouseDown = [this](fw::MouseButton b, fw::ShiftState s, int x, int y) {
        ImageMouseDown(b, s, x, y);
    };
    Image->OnMouseMove = [this](fw::ShiftState s, int x, int y) { ImageMouseMove(s, x, y); };
    Image->OnMouseUp = [this](fw::MouseButton b, fw::ShiftState s, int x, int y) {
        ImageMouseUp(b, s, x, y);
    };

    OnCreate = [this] { FormCreate(); };
    OnDestroy = [this] { FormDestroy(); };
    OnKeyPress = [this](char& key) { FormKeyPress(key); };
    OnActivate = [this](bool active) { CaptureActivation(active); };
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
}

TPixwellWnd::~TPixwellWnd()
{
    DoDestroy();
}

void TPixwellWnd::BuildTrayMenu()
{
    GetScreenshot1 = &TrayMenu.Add(kGetScreenshotCaption, [this] { GetScreenshot1Click(); });
    GetScreenshot1->isDefault = true;
    N1 = &TrayMenu.Add("-");
    Help1 = &TrayMenu.Add(kHelpMenuCaption);
    PixwellHelp1 = &Help1->Add(kPixwellHelpCaption, [this] { PixwellHelp1Click(); });
    About1 = &Help1->Add(kAboutCaption, [this] { About1Click(); });
    Options1 = &TrayMenu.Add(kOptionsCaption, [this] { Options1Click(); });
    Exit1 = &TrayMenu.Add(kExitCaption, [this] { Exit1Click(); });
}

void TPixwellWnd::FormCreate()
{
    trayWindow_ = std::make_unique<fw::MessageWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return TrayWndProc(message, wParam, lParam); });
    // Named past the window procedure, which drops every message but the
    // icon's.
    trayWindow_->Default(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kTrayWindowName));

    TrayIconData = NOTIFYICONDATAA{};
    TrayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    TrayIconData.hWnd = trayWindow_->Handle();
    TrayIconData.uID = 0;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = TrayCallbackMessage;
    TrayIconData.hIcon = MainIcon();
    lstrcpynA(TrayIconData.szTip, fw::App().Title().c_str(), 64);
    TrayIconCommand(NIM_ADD);

    // Only records the path: a missing help file must not stop the start.
    help_ = std::make_unique<THelpDisplay>(ProgramFolder() + pixwell::kHelpFileName, GetCommandLineA());
    SetProgramHelp(help_.get());

    ScreenBitmap = nullptr;
    fw::Application::TrimWorkingSet();
}

void TPixwellWnd::FormDestroy()
{
    if (help_) {
        help_->CloseAll();
        SetProgramHelp(nullptr);
        help_.reset();
    }
    if (trayWindow_) {
        TrayIconCommand(NIM_DELETE);
        trayWindow_.reset();
    }
}

// ---- Notification icon -------------------------------------------------------------

void TPixwellWnd::TrayIconCommand(DWORD op)
{
    Shell_NotifyIconA(op, &TrayIconData);
}

LRESULT TPixwellWnd::TrayWndProc(UINT message, WPARAM, LPARAM lParam)
{
    // This hidden window is a top-level one and so is asked, like every other,
    // whether the session may end; it has nothing to save and must not veto.
    if (message == WM_QUERYENDSESSION)
        return TRUE;
    if (message != TrayCallbackMessage)
        return 0;
    switch (lParam) {
    case WM_LBUTTONDBLCLK:
        if (Busy())
            BringOpenWindowToFront();
        else
            StartCapture();
        break;
    case WM_RBUTTONUP:
        if (Busy()) {
            BringOpenWindowToFront();
        } else {
            POINT pt{};
            GetCursorPos(&pt);
            TrayMenu.Popup(pt.x, pt.y);
        }
        break;
    default: break;
    }
    return 0;
}

// A second wizard or dialog is never started while one is open (the icon
// keeps answering, since modal loops leave its hidden window enabled): the
// open window is brought to the user instead.
void TPixwellWnd::BringOpenWindowToFront()
{
    HWND target = Visible() ? Handle() : OpenWindowOfThread(TrayWindow());
    if (target)
        SetForegroundWindow(target);
}

void TPixwellWnd::GetScreenshot1Click()
{
    StartCapture();
}

void TPixwellWnd::PixwellHelp1Click()
{
    ShowProgramHelpTopic(kMainHelpTopic);
}

// The same pattern as the wizard's: counted as busy while it is open, and
// destroyed with the working set trimmed however the show ends.
template <class TDialog, class... Args>
void TPixwellWnd::RunModalWindow(fw::FormPtr<TDialog>& variable, Args&&... args)
{
    TModalWindowScope modal(*this);
    struct DialogCleanup {
        fw::FormPtr<TDialog>& variable;
        ~DialogCleanup()
        {
            variable.reset();
            fw::Application::TrimWorkingSet();
        }
    } cleanup{variable};
    variable = fw::CreateForm<TDialog>(std::forward<Args>(args)...);
    variable->ShowModal();
}

void TPixwellWnd::About1Click()
{
    // Owned by no window of the program, as the application's own.
    RunModalWindow(AboutWindow);
}

void TPixwellWnd::Options1Click()
{
    // Owned by this window.
    RunModalWindow(PixwellOptions, static_cast<fw::Window*>(this));
}

void TPixwellWnd::Exit1Click()
{
    Close();
}

void TPixwellWnd::FormCloseQuery(bool& canClose)
{
    // The question is a modal window of its own: no second one from the icon.
    TModalWindowScope modal(*this);
    canClose = fw::ConfirmCloseWithServedObjects(nullptr, kApplicationTitle);
}

void TPixwellWnd::LastServedObjectReleased()
{
    // Ending in the middle of a capture or with a wizard open would throw the
    // user's work away: the end waits until the program is idle again.
    endWhenIdle_ = true;
    BecameIdle();
}

void TPixwellWnd::BecameIdle()
{
    if (!endWhenIdle_ || Busy() || fw::ServedObjectsOutstanding() || !Handle())
        return;
    endWhenIdle_ = false;
    PostMessageA(Handle(), WM_CLOSE, 0, 0);
}

// ---- Capture ---------------------------------------------------------------------------

void TPixwellWnd::StartCapture()
{
    ScreenBitmap.reset();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    ScreenBitmap = std::make_unique<fw::DibBitmap>(fw::DibBitmap::ScreenCompatible(width, height));

    fw::WindowDC screen(nullptr);
    // Copied before the window shows, so the picture never holds the window.
    BitBlt(ScreenBitmap->Canvas().Handle(), 0, 0, ScreenBitmap->Width(), ScreenBitmap->Height(),
           screen.Get(), 0, 0, SRCCOPY);

    // Topmost, so that no always-on-top window covers the frozen screen or
    // takes the drag.
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, width, height, SWP_NOACTIVATE);
    Selecting = false;
    // The picture goes in just before the window shows, so the first paint
    // is the frozen screen rather than a flash of empty background.
    Image->SetPicture(*ScreenBitmap);
    Show();
    Image->Update();
    fw::App().SetScreenCursor(fw::crCross);
}

void TPixwellWnd::ImageMouseDown(fw::MouseButton, fw::ShiftState, int x, int y)
{
    SelStartX = SelEndX = x;
    SelStartY = SelEndY = y;
    Selecting = true;
    DrawSelection();
}

void TPixwellWnd::ImageMouseMove(fw::ShiftState, int x, int y)
{
    if (!Selecting)
        return;
    EraseSelection();
    SelEndX = x;
    SelEndY = y;
    DrawSelection();
}

// The picture control is a window of its own over the whole form, so the
// frame is drawn on its device context; its coordinates are the form's.
void TPixwellWnd::DrawSelection()
{
    fw::WindowCanvas canvas(Image->Handle());
    canvas.DrawFocusRect(ToRect(Selection()));
}

// Only the old frame and what it encloses are repainted, from the frozen
// picture: the frame is not inverted a second time, so a paint that came in
// between can never leave a stray frame behind.
void TPixwellWnd::EraseSelection()
{
    fw::DibBitmap& picture = Image->Picture();
    if (picture.Empty())
        return;
    const RECT r = ToRect(FrameRepaintRect(Selection(), picture.Width(), picture.Height()));
    fw::WindowCanvas canvas(Image->Handle());
    canvas.CopyRect(r, picture.Canvas(), r);
}

void TPixwellWnd::ImageMouseUp(fw::MouseButton, fw::ShiftState, int, int)
{
    // A release without a press on the surface (the end of the very
    // double-click that opened it, or a button held down since before) would
    // select with corners left over from an earlier capture: ignored.
    if (!Selecting || !ScreenBitmap)
        return;
    EraseSelection();
    Selecting = false;
    const TSelectionRect selection = Selection();

    TModalWindowScope modal(*this);
    struct WizardCleanup {
        ~WizardCleanup()
        {
            AfterScreenShotWindow.reset();
            fw::Application::TrimWorkingSet();
        }
    } cleanup;
    AfterScreenShotWindow = fw::CreateForm<TAfterScreenShotWindow>();

    ScreenBitmap->Resize(selection.Width(), selection.Height());
    if (!ScreenBitmap->Empty())
        BitBlt(ScreenBitmap->Canvas().Handle(), 0, 0, selection.Width(), selection.Height(),
               Image->Picture().Canvas().Handle(), selection.left, selection.top, SRCCOPY);
    // The capture's bitmap is not needed after this: the wizard takes it over.
    AfterScreenShotWindow->AssignImage(std::move(*ScreenBitmap));

    // Hiding deactivates the surface, which ends the capture; ending it here
    // as well covers a surface that never became the active window.
    Hide();
    EndCapture();
    AfterScreenShotWindow->ShowModal();
}

void TPixwellWnd::FormKeyPress(char& key)
{
    if (key != kEscape)
        return;
    Hide();
    EndCapture();
}

void TPixwellWnd::CaptureActivation(bool active)
{
    if (!active)
        EndCapture();
}

void TPixwellWnd::EndCapture()
{
    fw::App().SetScreenCursor(fw::crDefault);
    Hide();
    Selecting = false;
    // The frozen screen is large: its memory goes now, not at the next capture.
    Image->Picture().Clear();
    ScreenBitmap.reset();
    BecameIdle();
}
