// The tray window in-process: the selection arithmetic, the notification
// icon and its callback, the frozen screen, the frame that follows the mouse
// without ever leaving a trace, the cut handed to the wizard, and the ways a
// capture ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "wizard/AfterScreenShotWindowUnit.h"
#include "shell/CaptureSelection.h"
#include "E2eDriver.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "shell/PixwellWindow.h"
#include "shell/TrayIcon.h"
#include "shell/CaptureSurface.h"
#include "base/Errors.h"
#include "ui/Menu.h"
#include "com/ComInit.h"
#include "com/ComServer.h"

#include <memory>
#include <optional>
#include <string>

using namespace std::chrono_literals;

// ---- Selection arithmetic ---------------------------------------------------------

TEST(CaptureSelection, EitherDragDirectionSelectsTheSamePixels)
{
    const TSelectionRect down = NormalizedSelection(10, 10, 110, 60);
    EXPECT_EQ(NormalizedSelection(110, 60, 10, 10), down);
    EXPECT_EQ(NormalizedSelection(110, 10, 10, 60), down);
    EXPECT_EQ(NormalizedSelection(10, 60, 110, 10), down);
    // The release point is outside: 100 by 50 pixels starting at (10, 10).
    EXPECT_EQ(down, (TSelectionRect{10, 10, 110, 60}));
    EXPECT_EQ(down.Width(), 100);
    EXPECT_EQ(down.Height(), 50);
}

TEST(CaptureSelection, AClickWithoutMovementSelectsNothing)
{
    const TSelectionRect r = NormalizedSelection(7, 9, 7, 9);
    EXPECT_EQ(r.Width(), 0);
    EXPECT_EQ(r.Height(), 0);
}

TEST(CaptureSelection, FrameRepaintCoversTheFrameAndStaysOnTheSurface)
{
    EXPECT_EQ(FrameRepaintRect({10, 10, 110, 60}, 200, 100), (TSelectionRect{9, 9, 111, 61}));
    // At the screen's edges the rectangle is cut, never read outside.
    EXPECT_EQ(FrameRepaintRect({0, 0, 200, 100}, 200, 100), (TSelectionRect{0, 0, 200, 100}));
    EXPECT_EQ(FrameRepaintRect({0, 0, 0, 0}, 200, 100), (TSelectionRect{0, 0, 1, 1}));
    // The pointer may leave the surface during a drag (the control keeps the
    // mouse captured).
    EXPECT_EQ(FrameRepaintRect({-30, 90, 50, 140}, 200, 100), (TSelectionRect{0, 89, 51, 100}));
}

TEST(CaptureSelection, TheFrameEdgesCoverTheFrameButNotTheInside)
{
    const TSelectionRect selection{10, 20, 110, 70};
    const auto strips = FrameEdgeStrips(selection, 200, 100);
    const auto covered = [&](int x, int y) {
        return std::any_of(strips.begin(), strips.end(), [&](const TSelectionRect& s) {
            return x >= s.left && x < s.right && y >= s.top && y < s.bottom;
        });
    };
    // Every pixel of the frame and its one-pixel surround, nothing deeper inside.
    for (int x = 9; x <= 110; ++x)
        for (int y : {19, 20, 21, 68, 69, 70})
            EXPECT_TRUE(covered(x, y)) << x << ", " << y;
    for (int y = 19; y <= 70; ++y)
        for (int x : {9, 10, 11, 108, 109, 110})
            EXPECT_TRUE(covered(x, y)) << x << ", " << y;
    EXPECT_FALSE(covered(12, 22));
    EXPECT_FALSE(covered(60, 45));
    EXPECT_FALSE(covered(107, 67));
    // On the surface only, whatever the selection.
    for (const TSelectionRect& s : FrameEdgeStrips({-30, 90, 50, 140}, 200, 100)) {
        EXPECT_GE(s.left, 0);
        EXPECT_GE(s.top, 0);
        EXPECT_LE(s.right, 200);
        EXPECT_LE(s.bottom, 100);
        EXPECT_LE(s.left, s.right);
        EXPECT_LE(s.top, s.bottom);
    }
}

TEST(CaptureSelection, TheCutIsClampedToThePicture)
{
    EXPECT_EQ(ClampSelection({10, 10, 110, 60}, 200, 100), (TSelectionRect{10, 10, 110, 60}));
    EXPECT_EQ(ClampSelection({-40, -25, 30, 20}, 200, 100), (TSelectionRect{0, 0, 30, 20}));
    EXPECT_EQ(ClampSelection({180, 90, 250, 140}, 200, 100), (TSelectionRect{180, 90, 200, 100}));
    // Wholly off the picture: nothing.
    EXPECT_EQ(ClampSelection({-50, 40, -10, 90}, 200, 100).Width(), 0);
    EXPECT_EQ(ClampSelection({210, 10, 260, 20}, 200, 100).Width(), 0);
}

// ---- The notification icon ------------------------------------------------------------

namespace {

constexpr UINT kTestCallbackMessage = WM_APP + 21;

// Whether the shell has the icon: it changes only icons it knows.
bool ShellHasIcon(const NOTIFYICONDATAA& data)
{
    NOTIFYICONDATAA probe = data;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

} // namespace

TEST(TrayIcon, ComesBackWhenTheTaskbarIsCreatedAgainAndGoesWithTheUnit)
{
    std::vector<UINT> events;
    NOTIFYICONDATAA data{};
    {
        TTrayIcon icon(kTestCallbackMessage, LoadIconA(nullptr, IDI_APPLICATION), "Tray icon test",
                       "Tray icon test window", [&](UINT event) { events.push_back(event); });
        data = icon.Data();
        EXPECT_EQ(data.hWnd, icon.Window());
        EXPECT_STREQ(data.szTip, "Tray icon test");
        ASSERT_TRUE(ShellHasIcon(data)) << "the icon was not added";

        // The shell restarts: its new taskbar knows no icons and says so to
        // every top-level window.
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
        ASSERT_FALSE(ShellHasIcon(data));
        SendMessageA(icon.Window(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
        EXPECT_TRUE(ShellHasIcon(data)) << "the icon was lost with the taskbar";
        // Said while the icon is there, it leaves the one icon as it is.
        SendMessageA(icon.Window(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
        EXPECT_TRUE(ShellHasIcon(data));
        EXPECT_TRUE(icon.SetTip("Changed tip"));
        EXPECT_STREQ(icon.Data().szTip, "Changed tip");

        // Only the icon's own message reaches the owner, with its mouse event.
        SendMessageA(icon.Window(), kTestCallbackMessage, 0, WM_LBUTTONDBLCLK);
        SendMessageA(icon.Window(), WM_USER + 7, 0, WM_RBUTTONUP);
        EXPECT_THAT(events, testing::ElementsAre(WM_LBUTTONDBLCLK));
    }
    EXPECT_FALSE(ShellHasIcon(data)) << "the icon outlived its unit";
    EXPECT_FALSE(IsWindow(data.hWnd));
}

// ---- The tray window ------------------------------------------------------------------

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// A plain window of one colour (not topmost), to change what the screen shows.
class SolidWindow {
public:
    SolidWindow(RECT r, COLORREF colour) : brush_(CreateSolidBrush(colour))
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = brush_;
        className_ = "ShellTestSolid" + std::to_string(colour);
        wc.lpszClassName = className_.c_str();
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(WS_EX_NOACTIVATE, className_.c_str(), "", WS_POPUP | WS_VISIBLE, r.left,
                                r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance,
                                nullptr);
        UpdateWindow(hwnd_);
        e2e::Pump(200ms);
    }
    ~SolidWindow()
    {
        DestroyWindow(hwnd_);
        UnregisterClassA(className_.c_str(), GetModuleHandleA(nullptr));
        DeleteObject(brush_);
        e2e::Pump(100ms);
    }

private:
    HBRUSH brush_;
    std::string className_;
    HWND hwnd_ = nullptr;
};

// What the wizard was given, taken from inside its modal loop.
struct WizardSeen {
    bool opened = false;
    bool surfaceHidden = false;
    bool captureEnded = false;
    int width = -1;
    int height = -1;
    std::vector<COLORREF> pixels;
};
WizardSeen g_seen;
TPixwellWnd* g_window = nullptr;

void CALLBACK InspectAndCloseWizard(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (!AfterScreenShotWindow)
        return;
    g_seen.opened = true;
    g_seen.surfaceHidden = !g_window->Visible();
    g_seen.captureEnded = g_window->CapturedScreen() == nullptr;
    fw::DibBitmap& picture = AfterScreenShotWindow->ScreenShot->Picture();
    g_seen.width = picture.Width();
    g_seen.height = picture.Height();
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            g_seen.pixels.push_back(picture.Canvas().Pixel(x, y));
    AfterScreenShotWindow->Close();
}

// One tray window for the whole suite: its icon takes the shell seconds to
// add and remove. Every test leaves it idle.
class TrayWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ole_ = std::make_unique<fw::ComInit>(fw::ComInit::Kind::Ole);
        fw::App().SetTitle(kApplicationTitle);
        // The wizard asks the catalogue through COM, served here as the
        // program serves it.
        catalogue_ = std::make_unique<fw::ClassObjectRegistration>(
            fw::ClassObjectRegistration::Register(kPixwellObjectClass));
        wnd_ = fw::CreateForm<TPixwellWnd>();
        g_window = wnd_.get();
    }
    static void TearDownTestSuite()
    {
        g_window = nullptr;
        wnd_.reset();
        catalogue_.reset();
        ole_.reset();
    }
    void SetUp() override { g_seen = {}; }
    void TearDown() override
    {
        wnd_->EndCapture();
        MSG msg;
        while (PeekMessageA(&msg, wnd_->Handle(), WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
        }
    }

    LRESULT Tray(UINT message, LPARAM lParam)
    {
        return SendMessageA(wnd_->TrayWindow(), message, 0, lParam);
    }
    void StartByDoubleClick()
    {
        Tray(TrayCallbackMessage, WM_LBUTTONDBLCLK);
        e2e::Pump(150ms);
    }
    void Mouse(UINT message, int x, int y, WPARAM keys)
    {
        SendMessageA(wnd_->Image->Handle(), message, keys, MAKELPARAM(x, y));
    }
    void PressEscape()
    {
        SendMessageA(wnd_->Handle(), WM_CHAR, 27, 0);
    }
    // Nothing under way: no surface, no frozen screen, no window counted.
    static bool Idle()
    {
        e2e::Pump(50ms);
        return !wnd_->Visible() && !wnd_->CapturedScreen() && !wnd_->Busy() && !AfterScreenShotWindow;
    }
    static bool CaptureEnded()
    {
        return !wnd_->Visible() && !wnd_->CapturedScreen() && wnd_->Image->Picture().Empty() &&
               fw::App().ScreenCursor() == fw::crDefault && !wnd_->Busy();
    }

    // Pixels of `region` on the real screen that differ from the pattern,
    // leaving out the outline of `frame`; and how many outline pixels are
    // the pattern inverted.
    struct Comparison {
        int strayPixels = 0;
        int invertedOnFrame = 0;
        int framePixels = 0;
    };
    static Comparison CompareWithPattern(RECT region, std::optional<RECT> frame)
    {
        e2e::Pump(100ms);
        const std::vector<COLORREF> screen = e2e::ScreenPixels(region);
        Comparison c;
        const int w = region.right - region.left;
        for (int y = region.top; y < region.bottom; ++y)
            for (int x = region.left; x < region.right; ++x) {
                const COLORREF got = screen[static_cast<size_t>(y - region.top) * w + (x - region.left)];
                const COLORREF want = e2e::PatternWindow::PatternColour(x, y);
                const bool onFrame = frame && x >= frame->left && x < frame->right && y >= frame->top &&
                                     y < frame->bottom &&
                                     (x == frame->left || x == frame->right - 1 || y == frame->top ||
                                      y == frame->bottom - 1);
                if (onFrame) {
                    ++c.framePixels;
                    c.invertedOnFrame += got == (want ^ 0xFFFFFF);
                } else {
                    c.strayPixels += got != want;
                }
            }
        return c;
    }

    static inline std::unique_ptr<fw::ComInit> ole_;
    static inline std::unique_ptr<fw::ClassObjectRegistration> catalogue_;
    static inline fw::FormPtr<TPixwellWnd> wnd_;
};

} // namespace

TEST_F(TrayWindowTest, IconDescribesTheProgram)
{
    const NOTIFYICONDATAA& icon = wnd_->IconData();
    EXPECT_EQ(icon.cbSize, NOTIFYICONDATAA_V1_SIZE);
    EXPECT_EQ(icon.hWnd, wnd_->TrayWindow());
    EXPECT_EQ(icon.uID, 0u);
    EXPECT_EQ(icon.uFlags, 7u);
    EXPECT_EQ(icon.uCallbackMessage, 45140u);
    EXPECT_NE(icon.hIcon, nullptr);
    EXPECT_STREQ(icon.szTip, "Vistrel");
}

TEST_F(TrayWindowTest, OnlyTheIconsDoubleClickStartsACapture)
{
    // Single clicks, other buttons and movement start nothing, and neither
    // does a double-click that comes as another message.
    for (LPARAM event : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_MBUTTONUP}) {
        Tray(TrayCallbackMessage, event);
        EXPECT_TRUE(Idle()) << "icon event " << event;
    }
    Tray(WM_USER + 7, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Idle());
    // The hidden window never vetoes the end of the session.
    EXPECT_EQ(Tray(WM_QUERYENDSESSION, 0), TRUE);

    StartByDoubleClick();
    ASSERT_TRUE(wnd_->Visible());
    EXPECT_EQ(wnd_->GetBounds(), (fw::Bounds{0, 0, ScreenWidth(), ScreenHeight()}));
    ASSERT_NE(wnd_->CapturedScreen(), nullptr);
    EXPECT_EQ(wnd_->CapturedScreen()->Width(), ScreenWidth());
    EXPECT_EQ(wnd_->CapturedScreen()->Height(), ScreenHeight());
    EXPECT_EQ(wnd_->CapturedScreen()->PixelFormat(), fw::DibBitmap::DisplayPixelFormat());
    EXPECT_EQ(fw::App().ScreenCursor(), fw::crCross);
    EXPECT_FALSE(wnd_->IsSelecting());
}

TEST_F(TrayWindowTest, TheFrozenScreenShowsAndTheFrameLeavesNoTrace)
{
    {
        e2e::PatternWindow pattern(RECT{0, 0, ScreenWidth(), ScreenHeight()});
        StartByDoubleClick();
    }
    ASSERT_TRUE(wnd_->Visible());
    const RECT region{80, 80, 330, 230};
    // The pattern window is gone: what shows is the copy.
    EXPECT_EQ(CompareWithPattern(region, std::nullopt).strayPixels, 0);

    // Dragged up and to the left: the frame is drawn at the normalised rectangle.
    Mouse(WM_LBUTTONDOWN, 300, 200, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 200, 150, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 100, 100, MK_LBUTTON);
    Comparison c = CompareWithPattern(region, RECT{100, 100, 300, 200});
    EXPECT_EQ(c.strayPixels, 0);
    EXPECT_GT(c.invertedOnFrame, c.framePixels / 3) << "no focus frame drawn";

    // Shrinking it repaints the old frame from the frozen picture.
    Mouse(WM_MOUSEMOVE, 250, 180, MK_LBUTTON);
    c = CompareWithPattern(region, RECT{250, 180, 300, 200});
    EXPECT_EQ(c.strayPixels, 0);
    EXPECT_GT(c.invertedOnFrame, 0);
    EXPECT_EQ(wnd_->Selection(), (TSelectionRect{250, 180, 300, 200}));

    // The copy itself never holds the frame.
    fw::DibBitmap& picture = wnd_->Image->Picture();
    ASSERT_EQ(picture.Width(), ScreenWidth());
    for (int x = 250; x < 300; ++x)
        ASSERT_EQ(picture.Canvas().Pixel(x, 180),
                  e2e::PatternWindow::PatternColour(x, 180));
}

TEST_F(TrayWindowTest, ReleaseCutsTheSelectionForTheWizardAndDestroysItAfterwards)
{
    {
        e2e::PatternWindow pattern(RECT{0, 0, ScreenWidth(), ScreenHeight()});
        StartByDoubleClick();
    }
    // The right button selects as well; bottom-right to top-left. Away from
    // the top-left corner, where Wine's tray window may come up over the
    // pattern when the icon is clicked.
    Mouse(WM_RBUTTONDOWN, 410, 260, MK_RBUTTON);
    Mouse(WM_MOUSEMOVE, 340, 230, MK_RBUTTON);
    Mouse(WM_MOUSEMOVE, 310, 210, MK_RBUTTON);
    SetTimer(nullptr, 0, 300, InspectAndCloseWizard);
    Mouse(WM_RBUTTONUP, 310, 210, 0);

    ASSERT_TRUE(g_seen.opened) << "no wizard was shown";
    EXPECT_TRUE(g_seen.surfaceHidden);
    EXPECT_TRUE(g_seen.captureEnded);
    ASSERT_EQ(g_seen.width, 100);
    ASSERT_EQ(g_seen.height, 50);
    int mismatches = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            mismatches += g_seen.pixels[static_cast<size_t>(y) * 100 + x] !=
                          e2e::PatternWindow::PatternColour(310 + x, 210 + y);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(AfterScreenShotWindow, nullptr);
    EXPECT_TRUE(CaptureEnded());
}

TEST_F(TrayWindowTest, APressAndReleaseOnOnePointOpensTheWizardOnNothing)
{
    StartByDoubleClick();
    Mouse(WM_MBUTTONDOWN, 400, 300, MK_MBUTTON);
    SetTimer(nullptr, 0, 300, InspectAndCloseWizard);
    Mouse(WM_MBUTTONUP, 400, 300, 0);
    ASSERT_TRUE(g_seen.opened);
    EXPECT_EQ(g_seen.width, 0);
    EXPECT_EQ(g_seen.height, 0);
    EXPECT_EQ(AfterScreenShotWindow, nullptr);
    EXPECT_TRUE(CaptureEnded());
}

TEST_F(TrayWindowTest, AReleaseWithoutAPressOnTheSurfaceIsIgnored)
{
    StartByDoubleClick();
    SetTimer(nullptr, 0, 300, InspectAndCloseWizard);
    Mouse(WM_LBUTTONUP, 50, 50, 0);
    e2e::Pump(500ms);
    EXPECT_FALSE(g_seen.opened);
    EXPECT_TRUE(wnd_->Visible());
    EXPECT_NE(wnd_->CapturedScreen(), nullptr);
}

TEST_F(TrayWindowTest, EscapeDuringADragAndDeactivationEndTheCapture)
{
    StartByDoubleClick();
    Mouse(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 60, 70, MK_LBUTTON);
    PressEscape();
    EXPECT_TRUE(CaptureEnded());
    EXPECT_FALSE(wnd_->IsSelecting());

    StartByDoubleClick();
    ASSERT_TRUE(wnd_->Visible());
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    e2e::Pump(200ms);
    EXPECT_TRUE(CaptureEnded());
    DestroyWindow(other);
}

TEST_F(TrayWindowTest, EachCaptureStartsFromAFreshCopy)
{
    const RECT area{200, 200, 260, 240};
    {
        SolidWindow red(area, RGB(255, 0, 0));
        StartByDoubleClick();
        EXPECT_EQ(e2e::ScreenPixel(220, 220), RGB(255, 0, 0));
        PressEscape();
    }
    SolidWindow blue(area, RGB(0, 0, 255));
    StartByDoubleClick();
    e2e::Pump(100ms);
    EXPECT_EQ(e2e::ScreenPixel(220, 220), RGB(0, 0, 255));
}

TEST_F(TrayWindowTest, TheIconStartsNothingWhileACaptureIsUnderWay)
{
    StartByDoubleClick();
    Mouse(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 60, 70, MK_LBUTTON);
    const fw::DibBitmap* frozen = wnd_->CapturedScreen();
    Tray(TrayCallbackMessage, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(wnd_->IsSelecting()) << "a second capture started over the first";
    EXPECT_EQ(wnd_->CapturedScreen(), frozen);
    EXPECT_EQ(GetForegroundWindow(), wnd_->Handle());
}

TEST_F(TrayWindowTest, TheLastReleaseEndsTheProgramOnlyOnceItIsIdle)
{
    MSG msg;
    StartByDoubleClick();
    wnd_->LastServedObjectReleased();
    EXPECT_FALSE(PeekMessageA(&msg, wnd_->Handle(), WM_CLOSE, WM_CLOSE, PM_REMOVE))
        << "asked to close in the middle of a capture";
    PressEscape();
    EXPECT_TRUE(PeekMessageA(&msg, wnd_->Handle(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

// The image control keeps the mouse captured during a drag, so the pointer can
// leave the primary screen and report points outside it, even negative ones.
TEST_F(TrayWindowTest, TheCutHoldsOnlyPixelsOfTheFrozenScreen)
{
    struct Case {
        POINT press, release;
        TSelectionRect onScreen; // what the cut may hold
    };
    const int w = ScreenWidth(), h = ScreenHeight();
    const Case cases[] = {
        {{30, 20}, {-40, -25}, {0, 0, 30, 20}},
        {{w - 20, h - 10}, {w + 50, h + 40}, {w - 20, h - 10, w, h}},
        {{-50, 40}, {-10, 90}, {0, 40, 0, 90}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "release at " << c.release.x << ", " << c.release.y);
        g_seen = {};
        {
            e2e::PatternWindow pattern(RECT{0, 0, w, h});
            StartByDoubleClick();
        }
        Mouse(WM_LBUTTONDOWN, c.press.x, c.press.y, MK_LBUTTON);
        Mouse(WM_MOUSEMOVE, c.release.x, c.release.y, MK_LBUTTON);
        SetTimer(nullptr, 0, 300, InspectAndCloseWizard);
        Mouse(WM_LBUTTONUP, c.release.x, c.release.y, 0);
        ASSERT_TRUE(g_seen.opened);
        ASSERT_EQ(g_seen.width, c.onScreen.Width());
        ASSERT_EQ(g_seen.height, c.onScreen.Height());
        int mismatches = 0;
        for (int y = 0; y < g_seen.height; ++y)
            for (int x = 0; x < g_seen.width; ++x)
                mismatches += g_seen.pixels[static_cast<size_t>(y) * g_seen.width + x] !=
                              e2e::PatternWindow::PatternColour(c.onScreen.left + x, c.onScreen.top + y);
        EXPECT_EQ(mismatches, 0);
        EXPECT_TRUE(CaptureEnded());
    }
}

// Escape or a switch of window in mid-drag: the hidden surface must not keep
// the mouse, or it swallows the user's next drag elsewhere.
TEST_F(TrayWindowTest, AnAbandonedDragLeavesTheMouseFree)
{
    StartByDoubleClick();
    Mouse(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 60, 70, MK_LBUTTON);
    ASSERT_EQ(GetCapture(), wnd_->Image->Handle()) << "the drag holds the mouse";
    PressEscape();
    EXPECT_TRUE(CaptureEnded());
    EXPECT_EQ(GetCapture(), nullptr);

    StartByDoubleClick();
    Mouse(WM_RBUTTONDOWN, 20, 20, MK_RBUTTON);
    ASSERT_EQ(GetCapture(), wnd_->Image->Handle());
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    e2e::Pump(200ms);
    EXPECT_TRUE(CaptureEnded());
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(other);
}

// A chosen menu item runs the way the icon's menu runs it: an error it raises
// goes to the default handler.
void Choose(fw::MenuItem& item)
{
    try {
        item.OnClick();
    } catch (...) {
        fw::App().HandleException();
    }
}

TEST_F(TrayWindowTest, AMessageBoxOpenedFromTheIconCountsAsBusy)
{
    // The test program has no help file beside it: "Vistrel Help" tells so
    // in a message box.
    std::vector<std::string> messages;
    bool busyMeanwhile = false;
    bool captureOverTheBox = false;
    const auto previous = fw::App().SetExceptionHandler([&](const std::string& text) {
        messages.push_back(text);
        busyMeanwhile = wnd_->Busy();
        // The user double-clicks the icon while the box is up.
        Tray(TrayCallbackMessage, WM_LBUTTONDBLCLK);
        captureOverTheBox = wnd_->Visible() || wnd_->CapturedScreen() != nullptr;
    });
    Choose(*wnd_->PixwellHelp1);
    fw::App().SetExceptionHandler(previous);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_FALSE(captureOverTheBox) << "a capture started over the message box";
    EXPECT_TRUE(Idle());
}

TEST_F(TrayWindowTest, TheSurfaceHasNoTaskbarButtonAndNoAltTabEntry)
{
    StartByDoubleClick();
    ASSERT_TRUE(wnd_->Visible());
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(wnd_->Handle(), GWL_EXSTYLE));
    // A tool window that does not ask for a button gets neither.
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(GetForegroundWindow(), wnd_->Handle()) << "the surface still takes the keyboard";
    PressEscape();
    EXPECT_TRUE(CaptureEnded());
}

// ---- The capture surface alone -----------------------------------------------------------

// A move repaints the old frame's edges only: what lies inside was never
// touched by the frame, so a full-screen selection costs no more to drag
// than a small one.
TEST_F(TrayWindowTest, AMoveRepaintsOnlyTheOldFramesEdges)
{
    StartByDoubleClick();
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 400, 300, MK_LBUTTON);
    // A mark inside the frame, on the window only (not in the frozen picture).
    const COLORREF mark = RGB(1, 2, 3);
    {
        fw::WindowCanvas canvas(wnd_->Image->Handle());
        SetPixel(canvas.Handle(), 250, 200, mark);
    }
    Mouse(WM_MOUSEMOVE, 420, 320, MK_LBUTTON);
    fw::WindowCanvas canvas(wnd_->Image->Handle());
    EXPECT_EQ(GetPixel(canvas.Handle(), 250, 200), mark) << "the inside of the old frame was repainted";
    PressEscape();
}

TEST(CaptureSurface, AFailedStartKeepsNothingOfTheCapture)
{
    auto window = fw::CreateForm<fw::Form>();
    window->SetBorderStyle(fw::BorderStyle::bsNone);
    fw::Image image(*window, fw::Bounds{0, 0, 100, 100});
    TCaptureSurface surface(*window, image, [](fw::DibBitmap&) { throw fw::Error("The screen can't be read"); });
    EXPECT_THROW(surface.Start(), fw::Error);
    EXPECT_EQ(surface.Screen(), nullptr) << "the full-screen bitmap stays until the next capture";
    EXPECT_TRUE(image.Picture().Empty());
    EXPECT_FALSE(surface.Showing());
    EXPECT_EQ(fw::App().ScreenCursor(), fw::crDefault);

    // The next start, with a working copier, freezes the screen as usual.
    TCaptureSurface working(*window, image, [](fw::DibBitmap&) {});
    working.Start();
    ASSERT_NE(working.Screen(), nullptr);
    EXPECT_TRUE(working.Showing());
    working.End();
    EXPECT_EQ(working.Screen(), nullptr);
    EXPECT_FALSE(working.Showing());
}
