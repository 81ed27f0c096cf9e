#include "shell/PixwellWindow.h"

#include <cstddef>
#include <utility>

#include "wizard/AfterScreenShotWindowUnit.h"
#include "settings/AboutUnit.h"
#include "settings/PixwellOptionsUnit.h"
#include "common/PixwellInc.h"
#include "com/ComServer.h"
#include "ui/Dialogs.h"
#include "help/HelpDisplay.h"

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

// ---- Creation and destruction ------------------------------------------------------

TPixwellWnd::TPixwellWnd()
    : shutdown_([this] { return surface_ && surface_->Showing(); },
                [this] {
                    if (Handle())
                        PostMessageA(Handle(), WM_CLOSE, 0, 0);
                })
{
    SetBorderStyle(fw::BorderStyle::bsNone);
    SetCaption(kApplicationTitle);
    // The frozen screen is shown one screen pixel per pixel at every display
    // scale: this form covers the screen and is never scaled.
    SetScaled(false);
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
    surface_ = std::make_unique<TCaptureSurface>(*this, *Image);

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
    GetScreenshot1 = &TrayMenu.Add(kGetScreenshotCaption, [this] { FromIcon([this] { GetScreenshot1Click(); }); });
    GetScreenshot1->isDefault = true;
    N1 = &TrayMenu.Add("-");
    Help1 = &TrayMenu.Add(kHelpMenuCaption);
    PixwellHelp1 = &Help1->Add(kPixwellHelpCaption, [this] { FromIcon([this] { PixwellHelp1Click(); }); });
    About1 = &Help1->Add(kAboutCaption, [this] { FromIcon([this] { About1Click(); }); });
    Options1 = &TrayMenu.Add(kOptionsCaption, [this] { FromIcon([this] { Options1Click(); }); });
    Exit1 = &TrayMenu.Add(kExitCaption, [this] { FromIcon([this] { Exit1Click(); }); });
}

void TPixwellWnd::FormCreate()
{
    trayIcon_ = std::make_unique<TTrayIcon>(TrayCallbackMessage, MainIcon(), fw::App().Title(), kTrayWindowName,
                                            [this](UINT mouseEvent) { TrayIconEvent(mouseEvent); });

    // Only records the path: a missing help file must not stop the start.
    help_ = std::make_unique<THelpDisplay>(ProgramFolder() + pixwell::kHelpFileName, GetCommandLineA());
    SetProgramHelp(help_.get());

    fw::Application::TrimWorkingSet();
}

void TPixwellWnd::FormDestroy()
{
    if (help_) {
        help_->CloseAll();
        SetProgramHelp(nullptr);
        help_.reset();
    }
    trayIcon_.reset();
}

const NOTIFYICONDATAA& TPixwellWnd::IconData() const noexcept
{
    static const NOTIFYICONDATAA none{};
    return trayIcon_ ? trayIcon_->Data() : none;
}

// ---- Notification icon -------------------------------------------------------------

void TPixwellWnd::TrayIconEvent(UINT mouseEvent)
{
    // Single clicks, other buttons and movement do nothing.
    if (mouseEvent != WM_LBUTTONDBLCLK && mouseEvent != WM_RBUTTONUP)
        return;
    if (Busy()) {
        BringOpenWindowToFront();
        return;
    }
    FromIcon([&] {
        if (mouseEvent == WM_LBUTTONDBLCLK) {
            StartCapture();
        } else {
            // The menu is modal while it is up, and so is what its item opens.
            POINT pt{};
            GetCursorPos(&pt);
            TrayMenu.Popup(pt.x, pt.y);
        }
    });
}

// What the icon asked for runs as one modal window of its own, its errors
// included: every box it shows (an error, the question before exit) counts
// as busy, so a double-click meanwhile starts no capture
// over it.
void TPixwellWnd::FromIcon(const std::function<void()>& action)
{
    const auto modal = shutdown_.ModalWindow();
    try {
        action();
    } catch (...) {
        fw::App().HandleException();
    }
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

namespace {

// Destroys a modal window of the icon however its show ends, then gives the
// working set back.
template <class TForm>
struct TModalFormCleanup {
    fw::FormPtr<TForm>& variable;
    ~TModalFormCleanup()
    {
        variable.reset();
        fw::Application::TrimWorkingSet();
    }
};

} // namespace

// As the wizard: counted as busy while it is open, destroyed with the
// working set trimmed however the show ends.
template <class TDialog, class... Args>
void TPixwellWnd::RunModalWindow(fw::FormPtr<TDialog>& variable, Args&&... args)
{
    const auto modal = shutdown_.ModalWindow();
    const TModalFormCleanup<TDialog> cleanup{variable};
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
    const auto modal = shutdown_.ModalWindow();
    canClose = fw::ConfirmCloseWithServedObjects(nullptr, kApplicationTitle);
}

void TPixwellWnd::LastServedObjectReleased()
{
    shutdown_.LastServedObjectReleased();
}

// ---- Capture ---------------------------------------------------------------------------

void TPixwellWnd::StartCapture()
{
    surface_->Start();
}

void TPixwellWnd::ImageMouseDown(fw::MouseButton, fw::ShiftState, int x, int y)
{
    surface_->Press(x, y);
}

void TPixwellWnd::ImageMouseMove(fw::ShiftState, int x, int y)
{
    surface_->Move(x, y);
}

void TPixwellWnd::ImageMouseUp(fw::MouseButton, fw::ShiftState, int, int)
{
    if (!surface_->FinishSelection())
        return;

    const auto modal = shutdown_.ModalWindow();
    const TModalFormCleanup<TAfterScreenShotWindow> cleanup{AfterScreenShotWindow};
    AfterScreenShotWindow = fw::CreateForm<TAfterScreenShotWindow>();
    // The capture's bitmap is not needed after this: the wizard takes it over.
    AfterScreenShotWindow->AssignImage(surface_->Cut());

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
    surface_->End();
    shutdown_.BecameIdle();
}
