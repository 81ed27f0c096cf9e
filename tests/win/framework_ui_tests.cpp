// The window half of the framework, on a real (virtual) display under Wine:
// event dispatch and the default error handler, modal shows, keyboard
// routing, the controls, timers, menus, pictures, the canvas and the
// clipboard. Everything is driven by messages; nothing waits for time to pass.
#include "ui/Application.h"
#include "ui/Anchors.h"
#include "ui/ComboBox.h"
#include "gdi/Canvas.h"
#include "ui/Clipboard.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/FocusHook.h"
#include "ui/ModalDisabler.h"
#include "gdi/DibBitmap.h"
#include "base/Errors.h"
#include "ui/Form.h"
#include "ui/ImageControl.h"
#include "ui/ListView.h"
#include "ui/Menu.h"
#include "ui/PageBook.h"
#include "ui/ScrollBox.h"
#include "ui/Timer.h"
#include "ui/ToolBar.h"
#include "imaging/Bitmap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

// Collects what reaches the default error handler instead of showing boxes.
class ErrorCapture {
public:
    ErrorCapture()
    {
        previous_ = fw::App().SetExceptionHandler([this](const std::string& text) { messages.push_back(text); });
    }
    ~ErrorCapture() { fw::App().SetExceptionHandler(std::move(previous_)); }
    std::vector<std::string> messages;

private:
    fw::Application::ExceptionHandler previous_;
};

// Runs actions from inside whichever message loop is running next (a modal
// show, a message box), in the order they were posted.
class Later {
public:
    Later() : window_([this](UINT msg, WPARAM wParam, LPARAM lParam) { return Handle(msg, wParam, lParam); }) {}
    void Post(std::function<void()> action)
    {
        actions_.push_back(std::move(action));
        PostMessageA(window_.Handle(), kRun, 0, 0);
    }

private:
    static constexpr UINT kRun = WM_APP + 1;
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg != kRun || actions_.empty())
            return window_.Default(msg, wParam, lParam);
        auto action = std::move(actions_.front());
        actions_.pop_front();
        action();
        return 0;
    }
    std::deque<std::function<void()>> actions_;
    fw::MessageWindow window_;
};

void PostKey(HWND hwnd, WORD key)
{
    const auto scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(hwnd, WM_KEYDOWN, key, scan | 1);
    PostMessageA(hwnd, WM_KEYUP, key, scan | 1 | 0xC0000000);
}

class SampleDialog : public fw::Form {
public:
    SampleDialog()
    {
        SetCaption("Sample");
        SetBorderStyle(fw::BorderStyle::bsDialog);
        SetClientSize(300, 120);
        ok.SetModalResult(fw::mrOk);
        cancel.SetModalResult(fw::mrCancel);
    }
    fw::Edit edit{*this, {8, 8, 120, 21}};
    fw::CheckBox check{*this, {8, 36, 120, 17}, "Check"};
    fw::Button ok{*this, {140, 88, 75, 25}, "OK"};
    fw::Button cancel{*this, {220, 88, 75, 25}, "Cancel"};
};

class UiTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_THAT(errors.messages, ::testing::IsEmpty()) << "unexpected errors reached the default handler";
    }
    ErrorCapture errors;
    Later later;
};

// --- dispatch and the default error handler ---------------------------------

TEST_F(UiTest, ButtonClickRunsItsHandler)
{
    SampleDialog form;
    form.Show();
    int clicks = 0;
    form.ok.OnClick = [&] { ++clicks; };
    SendMessageA(form.ok.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    form.ok.Click();
    EXPECT_EQ(clicks, 2);
}

TEST_F(UiTest, ExceptionFromHandlerReachesDefaultHandlerAndFormStays)
{
    SampleDialog form;
    form.Show();
    form.ok.OnClick = [] { throw fw::Error("Error opening general registry key"); };
    SendMessageA(form.ok.Handle(), BM_CLICK, 0, 0);
    form.check.OnClick = [] { throw 42; };
    SendMessageA(form.check.Handle(), BM_CLICK, 0, 0);

    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_EQ(errors.messages[0], "Error opening general registry key");
    EXPECT_FALSE(errors.messages[1].empty());
    EXPECT_TRUE(IsWindow(form.Handle()));
    EXPECT_TRUE(form.Visible());
    int clicks = 0;
    form.ok.OnClick = [&] { ++clicks; };
    SendMessageA(form.ok.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    errors.messages.clear();
}

TEST_F(UiTest, DefaultErrorHandlerShowsTextUnderApplicationTitle)
{
    auto capture = fw::App().SetExceptionHandler({}); // the real message box
    fw::App().SetTitle("Vistrel");
    SampleDialog form;
    form.Show();
    std::string caption, text;
    later.Post([&] {
        // The box is the thread's active dialog now.
        HWND box = GetActiveWindow();
        char buffer[256] = {};
        GetWindowTextA(box, buffer, sizeof buffer);
        caption = buffer;
        GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer); // the message's static text
        text = buffer;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    form.ok.OnClick = [] { throw fw::Error("Error reading plugin settings"); };
    SendMessageA(form.ok.Handle(), BM_CLICK, 0, 0);
    fw::App().SetExceptionHandler(std::move(capture));
    EXPECT_EQ(caption, "Vistrel");
    EXPECT_EQ(text, "Error reading plugin settings");
    EXPECT_TRUE(form.Visible());
}

TEST_F(UiTest, MessageBoxReturnsThePressedButton)
{
    std::string caption;
    later.Post([&] {
        HWND box = GetActiveWindow();
        char buffer[64] = {};
        GetWindowTextA(box, buffer, sizeof buffer);
        caption = buffer;
        PostMessageA(box, WM_COMMAND, IDNO, 0);
    });
    EXPECT_EQ(fw::MessageBox("Replace?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(caption, "Question");
}

// --- modal shows ------------------------------------------------------------

TEST_F(UiTest, ShowModalReturnsResultOfButtonOrClose)
{
    SampleDialog form;
    int closes = 0;
    std::vector<bool> activations;
    form.OnClose = [&](fw::CloseAction&) { ++closes; };
    form.OnActivate = [&](bool active) { activations.push_back(active); };

    PostMessageA(form.ok.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form.ShowModal(), fw::mrOk);
    EXPECT_FALSE(form.Visible());
    EXPECT_THAT(activations, ElementsAre(true, false));

    later.Post([&] { form.Close(); });
    EXPECT_EQ(form.ShowModal(), fw::mrCancel);

    later.Post([&] { PostMessageA(form.Handle(), WM_CLOSE, 0, 0); }); // the close box
    EXPECT_EQ(form.ShowModal(), fw::mrCancel);
    EXPECT_EQ(closes, 3);
}

TEST_F(UiTest, ShowModalDisablesOtherWindowsOnlyWhileItRuns)
{
    fw::Form other;
    other.Show();
    fw::Form alreadyDisabled;
    alreadyDisabled.Show();
    alreadyDisabled.SetEnabled(false);
    int trayMessages = 0;
    fw::MessageWindow tray([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_APP + 7)
            ++trayMessages;
        return 0;
    });

    SampleDialog form;
    bool otherDuring = true, trayDuring = false, formDuring = false;
    later.Post([&] {
        otherDuring = other.Enabled();
        trayDuring = tray.Enabled();
        formDuring = form.Enabled();
        PostMessageA(tray.Handle(), WM_APP + 7, 0, 0);
        later.Post([&] { form.SetModalResult(fw::mrOk); }); // after the icon's message
    });
    EXPECT_EQ(form.ShowModal(), fw::mrOk);

    EXPECT_FALSE(otherDuring);
    EXPECT_TRUE(trayDuring);
    EXPECT_TRUE(formDuring);
    EXPECT_EQ(trayMessages, 1);
    EXPECT_TRUE(other.Enabled());
    EXPECT_FALSE(alreadyDisabled.Enabled());
}

TEST_F(UiTest, ThreadWindowsDisablerSparesTheExceptedWindowAndRestoresOnce)
{
    fw::Form owner, other, hidden;
    owner.Show();
    other.Show();
    {
        fw::ThreadWindowsDisabler disabled(owner.Handle());
        EXPECT_TRUE(owner.Enabled()); // a system dialog disables and enables its owner itself
        EXPECT_FALSE(other.Enabled());
        EXPECT_TRUE(hidden.Enabled());
        disabled.Restore();
        EXPECT_TRUE(other.Enabled());
        other.SetEnabled(false); // disabled by someone else after the restore
    }
    EXPECT_FALSE(other.Enabled());
}

// Records every change the thread's focus hook reports.
struct FocusLog final : fw::FocusWatcher {
    void FocusMoved(HWND gaining, HWND losing) noexcept override { moves.push_back({gaining, losing}); }
    std::vector<std::pair<HWND, HWND>> moves;
};

TEST_F(UiTest, FocusHookReportsMovesWithinTheThreadAndTheFocusLeavingIt)
{
    SampleDialog form;
    form.Show();
    fw::App().ProcessMessages();
    SetFocus(form.edit.Handle());
    FocusLog log;
    fw::WatchFocus(log);
    fw::WatchFocus(log); // once is enough
    SetFocus(form.check.Handle());
    SetFocus(nullptr);
    fw::UnwatchFocus(log);
    SetFocus(form.edit.Handle());
    using Move = std::pair<HWND, HWND>;
    EXPECT_THAT(log.moves, ElementsAre(Move{form.check.Handle(), form.edit.Handle()},
                                       Move{nullptr, form.check.Handle()}));
}

TEST_F(UiTest, ModalLoopSurvivesExceptionsInHandlers)
{
    SampleDialog form;
    later.Post([] { throw fw::Error("Error write LeaveInClipboard registry value"); });
    later.Post([&] { form.SetModalResult(fw::mrRetry); });
    EXPECT_EQ(form.ShowModal(), fw::mrRetry);
    EXPECT_THAT(errors.messages, ElementsAre("Error write LeaveInClipboard registry value"));
    errors.messages.clear();
}

TEST_F(UiTest, CloseActionNoneKeepsTheModalShowGoing)
{
    SampleDialog form;
    int closes = 0;
    form.OnClose = [&](fw::CloseAction& action) {
        if (++closes == 1)
            action = fw::CloseAction::caNone;
    };
    bool stillShown = false;
    later.Post([&] { form.Close(); });
    later.Post([&] {
        stillShown = form.Visible();
        form.Close();
    });
    EXPECT_EQ(form.ShowModal(), fw::mrCancel);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(closes, 2);
}

TEST_F(UiTest, ExceptionFromOnCloseLeavesShowModalAfterCleanUp)
{
    fw::Form other;
    other.Show();
    SampleDialog form;
    form.OnClose = [](fw::CloseAction&) { throw fw::Error("Error write LeaveInClipboard registry value"); };
    later.Post([&] { form.Close(); });
    try {
        form.ShowModal();
        ADD_FAILURE() << "ShowModal returned";
    } catch (const fw::Error& e) {
        EXPECT_STREQ(e.what(), "Error write LeaveInClipboard registry value");
    }
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.Modal());
    EXPECT_TRUE(other.Enabled());

    form.OnClose = nullptr;
    later.Post([&] { form.SetModalResult(fw::mrOk); });
    EXPECT_EQ(form.ShowModal(), fw::mrOk);
}

TEST_F(UiTest, ShowModalRefusesAVisibleForm)
{
    SampleDialog form;
    form.Show();
    EXPECT_THROW(form.ShowModal(), fw::Error);
}

TEST_F(UiTest, FormsMadeByCreateFormRunCreateAndDestroyOnce)
{
    struct Counting : fw::Form {
        explicit Counting(std::vector<std::string>& log)
        {
            OnCreate = [&log] {
                log.push_back("create");
                throw fw::Error("Error opening general registry key");
            };
            OnDestroy = [&log, this] { log.push_back(IsWindow(Handle()) ? "destroy with window" : "destroy"); };
        }
    };
    std::vector<std::string> log;
    {
        auto form = fw::CreateForm<Counting>(log);
        form->DoCreate();
        EXPECT_TRUE(IsWindow(form->Handle())); // the failing OnCreate left a usable form
    }
    EXPECT_THAT(log, ElementsAre("create", "destroy with window"));
    EXPECT_THAT(errors.messages, ElementsAre("Error opening general registry key"));
    errors.messages.clear();
}

// --- keyboard ---------------------------------------------------------------

TEST_F(UiTest, EnterAndEscapePressDefaultAndCancelButtons)
{
    SampleDialog form;
    form.ok.SetDefault(true);
    form.cancel.SetCancel(true);
    EXPECT_EQ(GetWindowLongA(form.ok.Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);

    later.Post([&] { PostKey(GetFocus(), VK_RETURN); });
    EXPECT_EQ(form.ShowModal(), fw::mrOk);
    later.Post([&] { PostKey(GetFocus(), VK_ESCAPE); });
    EXPECT_EQ(form.ShowModal(), fw::mrCancel);
}

TEST_F(UiTest, WithoutDefaultAndCancelButtonsEnterAndEscapeReachTheKeyHandlers)
{
    SampleDialog form;
    form.SetKeyPreview(true);
    std::string typed;
    int buttonClicks = 0;
    form.ok.OnClick = form.cancel.OnClick = [&] { ++buttonClicks; };
    form.OnKeyPress = [&](char& key) {
        typed += key;
        if (key == 27)
            form.SetModalResult(fw::mrAbort);
    };
    later.Post([&] {
        PostKey(GetFocus(), VK_RETURN);
        PostKey(GetFocus(), VK_ESCAPE);
    });
    EXPECT_EQ(form.ShowModal(), fw::mrAbort);
    EXPECT_EQ(typed, "\r\x1b");
    EXPECT_EQ(buttonClicks, 0);
}

TEST_F(UiTest, KeyPreviewSeesKeysFirstAndCanSwallowThem)
{
    SampleDialog form;
    form.SetKeyPreview(true);
    std::vector<WORD> formKeys, editKeys;
    form.OnKeyDown = [&](WORD& key, fw::ShiftState) {
        formKeys.push_back(key);
        if (key == 'A')
            key = 0;
    };
    form.edit.OnKeyDown = [&](WORD& key, fw::ShiftState) { editKeys.push_back(key); };
    form.Show();
    PostKey(form.edit.Handle(), 'A');
    PostKey(form.edit.Handle(), 'B');
    fw::App().ProcessMessages();
    EXPECT_THAT(formKeys, ElementsAre('A', 'B'));
    EXPECT_THAT(editKeys, ElementsAre('B'));
    EXPECT_EQ(form.edit.Text(), "b");
}

TEST_F(UiTest, PreTranslateHookTakesKeysBeforeEverythingElse)
{
    struct Hosting : SampleDialog {
        std::vector<WPARAM> taken;
        bool PreTranslateMessage(MSG& msg) override
        {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
                taken.push_back(msg.wParam);
                return true;
            }
            return false;
        }
    } form;
    int editKeys = 0;
    form.SetKeyPreview(true);
    form.OnKeyDown = form.edit.OnKeyDown = [&](WORD&, fw::ShiftState) { ++editKeys; };
    form.Show();
    PostKey(form.edit.Handle(), VK_F1);
    fw::App().ProcessMessages();
    EXPECT_THAT(form.taken, ElementsAre(VK_F1));
    EXPECT_EQ(editKeys, 0);
}

TEST_F(UiTest, AFormOfPicturesKeepsTheFocusAndHearsDeactivation)
{
    // The capture surface: no border, a picture, keys and activation.
    fw::Form surface;
    surface.SetBorderStyle(fw::BorderStyle::bsNone);
    surface.SetBounds({0, 0, 300, 200});
    fw::Image picture(surface, {0, 0, 300, 200});
    std::string typed;
    std::vector<bool> activations;
    surface.OnKeyPress = [&](char& key) { typed += key; };
    surface.OnActivate = [&](bool active) { activations.push_back(active); };
    surface.Show();
    fw::App().ProcessMessages();
    EXPECT_EQ(GetFocus(), surface.Handle());
    PostKey(GetFocus(), VK_ESCAPE);
    fw::App().ProcessMessages();
    EXPECT_EQ(typed, "\x1b");

    fw::Form other; // another window coming up ends a capture
    other.Show();
    fw::App().ProcessMessages();
    EXPECT_THAT(activations, ElementsAre(true, false));
}

TEST_F(UiTest, TabMovesTheFocusThroughTheControlsInTabOrder)
{
    SampleDialog form;
    form.Show();
    fw::App().ProcessMessages();
    EXPECT_EQ(GetFocus(), form.edit.Handle()); // the first control gets it on activation
    PostKey(form.edit.Handle(), VK_TAB);
    fw::App().ProcessMessages();
    EXPECT_EQ(GetFocus(), form.check.Handle());

    form.cancel.SetTabOrder(0);
    form.ok.SetTabOrder(1);
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), nullptr, FALSE), form.cancel.Handle());
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.cancel.Handle(), FALSE), form.ok.Handle());
}

TEST_F(UiTest, RunEndsWhenTheMainFormClosesAlsoFromInsideAModalShow)
{
    fw::Form main;
    SampleDialog dialog;
    int modalResult = -1;
    fw::App().showMainForm = false;
    later.Post([&] { modalResult = dialog.ShowModal(); });
    later.Post([&] { main.Close(); }); // "Exit" while the dialog is open
    fw::App().Run(main);
    fw::App().showMainForm = true;
    EXPECT_EQ(modalResult, fw::mrCancel);
    EXPECT_FALSE(dialog.Visible());

    later.Post([&] { dialog.SetModalResult(fw::mrOk); }); // modal shows work again afterwards
    EXPECT_EQ(dialog.ShowModal(), fw::mrOk);
}

// --- form and control basics ------------------------------------------------

TEST_F(UiTest, DialogFormHasExactClientSizeAndNoSystemMenuWhenAsked)
{
    fw::Form form;
    form.SetBorderStyle(fw::BorderStyle::bsDialog);
    form.SetSystemMenu(false);
    form.SetClientSize(542, 306);
    EXPECT_EQ(form.ClientWidth(), 542);
    EXPECT_EQ(form.ClientHeight(), 306);
    EXPECT_FALSE(GetWindowLongA(form.Handle(), GWL_STYLE) & WS_SYSMENU);

    form.SetPosition(fw::Position::poDesktopCenter);
    form.Show();
    EXPECT_EQ(form.Left(), (GetSystemMetrics(SM_CXSCREEN) - form.Width()) / 2);
    EXPECT_EQ(form.Top(), (GetSystemMetrics(SM_CYSCREEN) - form.Height()) / 2);
}

TEST_F(UiTest, ControlsUseTheFormFontAndLabelsFitTheirText)
{
    SampleDialog form;
    auto font = reinterpret_cast<HFONT>(SendMessageA(form.ok.Handle(), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(lf.lfHeight, -11);

    fw::Label plain(form, 5, 5, "Mark plugins to work with captured image");
    fw::Label bold(form, 5, 25, "Mark plugins to work with captured image");
    bold.SetBold(true);
    EXPECT_GT(plain.Width(), 100);
    EXPECT_GT(plain.Height(), 5);
    EXPECT_GT(bold.Width(), plain.Width());
    const int before = plain.Width();
    plain.SetCaption(plain.Caption() + " and more");
    EXPECT_GT(plain.Width(), before);
}

TEST_F(UiTest, LabelsAndLinksSitCleanlyOnAWhitePanel)
{
    fw::Form form;
    form.SetBorderStyle(fw::BorderStyle::bsNone);
    form.SetBounds({0, 0, 300, 80});
    fw::Panel header(form, {0, 0, 300, 51});
    header.SetColor(fw::clWhite);
    header.SetBevelOuter(fw::PanelBevel::pbNone);
    fw::Label title(header, 8, 6, "Mark plugins to work with captured image");
    title.SetBold(true);
    fw::LinkLabel link(header, 8, 28, "Skip");
    int clicks = 0;
    link.OnClick = [&] { ++clicks; };
    form.Show();
    form.Update();

    fw::WindowCanvas titleCanvas(title.Handle()), linkCanvas(link.Handle());
    // White background, blue text (smoothed edges are blends of the two).
    int white = 0, blue = 0, neither = 0;
    for (int y = 0; y < link.Height(); ++y)
        for (int x = 0; x < link.Width(); ++x) {
            const COLORREF c = linkCanvas.Pixel(x, y);
            if (c == RGB(255, 255, 255))
                ++white;
            else if (c == RGB(0, 0, 255))
                ++blue;
            else if (GetRValue(c) != GetGValue(c) || GetBValue(c) != 255)
                ++neither;
        }
    EXPECT_GT(blue, 5);
    EXPECT_GT(white, blue);
    EXPECT_EQ(neither, 0);
    EXPECT_EQ(titleCanvas.Pixel(title.Width() - 1, 0), RGB(255, 255, 255));

    SendMessageA(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(clicks, 1);
}

TEST_F(UiTest, CursorsFollowTheControlAndTheScreenCursorOverridesThem)
{
    fw::Form form;
    fw::LinkLabel link(form, 8, 8, "vistrel.example");
    fw::Panel plain(form, {8, 40, 50, 50});
    form.Show();
    auto cursorOver = [](fw::Window& w) {
        SendMessageA(w.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(w.Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorOver(link), LoadCursorA(nullptr, IDC_HAND));
    EXPECT_EQ(cursorOver(plain), LoadCursorA(nullptr, IDC_ARROW));
    fw::App().SetScreenCursor(fw::crCross);
    EXPECT_EQ(cursorOver(link), LoadCursorA(nullptr, IDC_CROSS));
    EXPECT_EQ(cursorOver(plain), LoadCursorA(nullptr, IDC_CROSS));
    fw::App().SetScreenCursor(fw::crDefault);
    EXPECT_EQ(cursorOver(link), LoadCursorA(nullptr, IDC_HAND));
}

TEST_F(UiTest, BevelFrameNeitherHidesNorTakesClicksFromWhatItSurrounds)
{
    fw::Form form;
    form.SetBorderStyle(fw::BorderStyle::bsNone);
    form.SetBounds({0, 0, 200, 120});
    fw::Button inside(form, {30, 30, 60, 25}, "Inside");
    fw::Bevel frame(form, {10, 10, 150, 90}, fw::BevelShape::bsFrame);
    fw::Bevel line(form, {4, 110, 190, 2}, fw::BevelShape::bsTopLine);
    form.Show();
    form.Update();
    auto at = [&](int x, int y) { return WindowFromPoint(form.ClientToScreen(POINT{x, y})); };
    EXPECT_EQ(at(40, 40), inside.Handle());
    EXPECT_EQ(at(120, 80), form.Handle()); // inside the frame, outside the button
    EXPECT_EQ(at(10, 50), form.Handle());  // on the frame itself: clicks go through

    fw::WindowCanvas canvas(form.Handle());
    EXPECT_EQ(canvas.Pixel(50, 110), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(canvas.Pixel(50, 111), GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(UiTest, AlignedChildrenFollowTheirParent)
{
    fw::Form form;
    form.SetClientSize(400, 300);
    fw::Panel top(form, {0, 0, 10, 50});
    top.SetAlign(fw::Align::alTop);
    fw::Panel bottom(form, {0, 0, 10, 30});
    bottom.SetAlign(fw::Align::alBottom);
    fw::Panel rest(form, {0, 0, 10, 10});
    rest.SetAlign(fw::Align::alClient);
    EXPECT_EQ(top.GetBounds(), (fw::Bounds{0, 0, 400, 50}));
    EXPECT_EQ(bottom.GetBounds(), (fw::Bounds{0, 270, 400, 30}));
    EXPECT_EQ(rest.GetBounds(), (fw::Bounds{0, 50, 400, 220}));
    form.SetClientSize(500, 200);
    EXPECT_EQ(top.GetBounds(), (fw::Bounds{0, 0, 500, 50}));
    EXPECT_EQ(bottom.GetBounds(), (fw::Bounds{0, 170, 500, 30}));
    EXPECT_EQ(rest.GetBounds(), (fw::Bounds{0, 50, 500, 120}));
}

TEST_F(UiTest, PageBookReportsOnlyChangesToANewPageInRange)
{
    fw::Form form;
    form.SetClientSize(542, 306);
    fw::PageBook book(form, {0, 0, 542, 270}, {"Prevew", "ChoosePlugins", "ExecutePlugins", "Report"});
    int changes = 0;
    book.OnPageChanged = [&] { ++changes; };
    EXPECT_EQ(book.PageIndex(), 0);
    EXPECT_TRUE(book.Page(0).Visible());
    EXPECT_EQ(book.Page(2).Width(), 542);
    EXPECT_EQ(book.Page(2).Height(), 270);

    book.SetPageIndex(3);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(book.Page(3).Visible());
    EXPECT_FALSE(book.Page(0).Visible());

    book.SetPageIndex(3);
    book.SetPageIndex(4);
    book.SetPageIndex(-1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(book.PageIndex(), 3);

    book.SetPageIndex(2);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(book.PageName(2), "ExecutePlugins");
}

TEST_F(UiTest, ListViewRowsKeepTextChecksAndData)
{
    fw::Form form;
    fw::ListView list(form, {6, 71, 478, 178});
    list.AddColumn("Name", 150);
    list.AddColumn("Description", 500);
    EXPECT_EQ(list.ColumnCount(), 2);
    list.AddItem("Stowick", "Saves the image to a file", std::make_shared<std::string>("{A}"));
    list.AddItem("Postrel", "Sends the image by e-mail", std::make_shared<std::string>("{B}"));
    list.AddItem("Bare");

    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Caption(1), "Postrel");
    EXPECT_EQ(list.SubItem(0), "Saves the image to a file");
    EXPECT_EQ(list.SubItem(2), "");
    EXPECT_EQ(*list.DataAs<std::string>(1), "{B}");
    EXPECT_EQ(list.Data(2), nullptr);

    EXPECT_FALSE(list.Checked(1));
    list.SetChecked(1, true);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_FALSE(list.Checked(0));
    list.SetChecked(1, false);
    EXPECT_FALSE(list.Checked(1));
    EXPECT_THROW(list.Checked(3), fw::Error);
}

TEST_F(UiTest, ListViewReportsEveryRowThatGoes)
{
    struct Tracked {
        std::vector<std::string> events;
        void Attach(fw::ListView& list)
        {
            list.OnDeletion = [this](int index, void* data) {
                events.push_back(std::to_string(index) + ":" + *static_cast<std::string*>(data));
            };
        }
    } tracked;
    std::weak_ptr<std::string> first;
    fw::Form form;
    {
        fw::ListView list(form, {0, 0, 200, 100});
        tracked.Attach(list);
        auto data = std::make_shared<std::string>("a");
        first = data;
        list.AddItem("a", {}, std::move(data));
        list.AddItem("b", {}, std::make_shared<std::string>("b"));
        list.AddItem("c", {}, std::make_shared<std::string>("c"));
        list.AddItem("d", {}, std::make_shared<std::string>("d"));

        list.DeleteItem(0);
        EXPECT_TRUE(first.expired());
        EXPECT_EQ(list.Caption(0), "b");
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        list.AddItem("e", {}, std::make_shared<std::string>("e"));
    }
    EXPECT_THAT(tracked.events, ElementsAre("0:a", "2:d", "1:c", "0:b", "0:e"));

    // The window goes with its form before the list object does.
    tracked.events.clear();
    fw::ListView list(form, {0, 0, 200, 100});
    tracked.Attach(list);
    list.AddItem("f", {}, std::make_shared<std::string>("f"));
    form.DestroyHandle();
    EXPECT_THAT(tracked.events, ElementsAre("0:f"));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(UiTest, SpinEditTakesOnlyNumberCharacters)
{
    fw::Form form;
    fw::SpinEdit spin(form, {443, 4, 40, 22});
    EXPECT_EQ(spin.Value(), 0);
    spin.SetText("");
    for (char c : std::string("1a-Zb2.x\r"))
        SendMessageA(spin.Handle(), WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_EQ(spin.Text(), "1-2.");
    SendMessageA(spin.Handle(), WM_CHAR, '\b', 1); // backspace edits
    EXPECT_EQ(spin.Text(), "1-2");
    EXPECT_EQ(spin.Value(), 0);

    const std::pair<const char*, int> cases[] = {
        {"-", 0}, {"+", 0}, {"1.5", 0}, {"-12", -12}, {"+7", 7}, {"007", 7},
        {"2147483647", 2147483647}, {"2147483648", 0}, {"-2147483648", -2147483647 - 1}, {"", 0},
    };
    for (const auto& [text, value] : cases) {
        spin.SetText(text);
        EXPECT_EQ(spin.Value(), value) << text;
    }
}

TEST_F(UiTest, SpinEditStepsAndKeepsBoundsOnlyWhenItHasThem)
{
    fw::Form form;
    fw::SpinEdit spin(form, {4, 4, 60, 22});
    fw::Edit other(form, {4, 40, 60, 22});
    form.Show();

    spin.SetValue(-5); // min = max = 0: no bounds
    EXPECT_EQ(spin.Value(), -5);
    SendMessageA(spin.Handle(), WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(spin.Value(), -4);
    SendMessageA(spin.Handle(), WM_KEYDOWN, VK_DOWN, 1);
    SendMessageA(spin.Handle(), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(spin.Value(), -6);

    // The up arrow of the buttons inside the box.
    HWND buttons = GetWindow(spin.Handle(), GW_CHILD);
    ASSERT_NE(buttons, nullptr);
    RECT rc;
    GetClientRect(buttons, &rc);
    SendMessageA(buttons, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right / 2, 2));
    SendMessageA(buttons, WM_LBUTTONUP, 0, MAKELPARAM(rc.right / 2, 2));
    EXPECT_EQ(spin.Value(), -5);

    spin.SetMinValue(0);
    spin.SetMaxValue(10);
    spin.SetValue(15);
    EXPECT_EQ(spin.Value(), 10);
    spin.StepUp();
    EXPECT_EQ(spin.Value(), 10);
    spin.SetFocus();
    spin.SetText("-3");
    other.SetFocus(); // leaving the box brings the value inside
    EXPECT_EQ(spin.Value(), 0);
}

TEST_F(UiTest, TimerFiresInsideModalLoopAndIsNotReentered)
{
    SampleDialog form;
    fw::Timer timer(1);
    fw::Timer pump(1);
    int ticks = 0, depth = 0, maxDepth = 0, pumpTicks = 0;
    pump.OnTimer = [&] { ++pumpTicks; };
    timer.OnTimer = [&] {
        ++ticks;
        maxDepth = std::max(maxDepth, ++depth);
        // A handler that runs a message loop of its own (as a message box
        // does) must not see its own timer again meanwhile.
        const int until = pumpTicks + 3;
        while (pumpTicks < until)
            fw::App().HandleMessage();
        --depth;
        timer.SetEnabled(false);
        form.SetModalResult(fw::mrOk);
    };
    EXPECT_EQ(form.ShowModal(), fw::mrOk);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(maxDepth, 1);
}

TEST_F(UiTest, PopupMenuRunsTheChosenItem)
{
    fw::PopupMenu menu;
    std::vector<std::string> clicks;
    menu.Add("Get Screenshot!", [&] { clicks.push_back("shot"); }).isDefault = true;
    menu.Add("-");
    auto& help = menu.Add("Help");
    help.Add("Vistrel Help", [&] { clicks.push_back("help"); });
    menu.Add("Exit", [&] { throw fw::Error("Exit failed"); });

    // The menu's own loop reads these keys: first item, then Enter.
    fw::MessageWindow owner;
    PostKey(owner.Handle(), VK_DOWN);
    PostKey(owner.Handle(), VK_RETURN);
    menu.Popup(100, 100, owner.Handle());
    EXPECT_THAT(clicks, ElementsAre("shot"));

    PostKey(owner.Handle(), VK_UP); // wraps to the last item
    PostKey(owner.Handle(), VK_RETURN);
    menu.Popup(100, 100, owner.Handle());
    EXPECT_THAT(errors.messages, ElementsAre("Exit failed"));
    errors.messages.clear();
}

// --- pictures and drawing ---------------------------------------------------

struct FormatCase {
    img::PixelFormat format;
    const char* name;
};

class DibBridge : public UiTest, public ::testing::WithParamInterface<FormatCase> {};

// A pattern that uses every bit of every pixel, with pure red at (3, 1) and
// pure blue at (0, 4) (white and black for one bit per pixel).
img::Bitmap Pattern(img::PixelFormat format)
{
    img::Bitmap image(7, 5, format); // odd width: rows end in padding
    const int entries = img::PaletteSize(format);
    if (entries) {
        std::vector<img::Rgb> palette(static_cast<std::size_t>(entries));
        for (int i = 0; i < entries; ++i)
            palette[i] = img::Rgb{static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                                  static_cast<std::uint8_t>(i * 13)};
        palette[0] = {255, 0, 0};
        palette[1] = entries > 2 ? img::Rgb{0, 0, 255} : img::Rgb{255, 255, 255};
        image.SetPalette(palette);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                image.SetIndex(x, y, (x * 5 + y * 3) % entries);
        image.SetIndex(3, 1, 0);
        image.SetIndex(0, 4, 1);
    } else {
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                image.SetPixel(x, y, img::Rgb{static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 60),
                                              static_cast<std::uint8_t>(200 - x * 20)});
        image.SetPixel(3, 1, {255, 0, 0});
        image.SetPixel(0, 4, {0, 0, 255});
    }
    return image;
}

TEST_P(DibBridge, RoundTripsAndGdiSeesTheSamePixels)
{
    const img::PixelFormat format = GetParam().format;
    const img::Bitmap source = Pattern(format);
    fw::DibBitmap dib(source);
    EXPECT_EQ(dib.PixelFormat(), format);
    EXPECT_EQ(dib.Width(), 7);
    EXPECT_EQ(dib.Height(), 5);
    EXPECT_EQ(dib.ToImage(), source);

    // GDI reads the buffer with the same orientation, masks and palette.
    const bool twoColours = format == img::PixelFormat::pf1bit;
    EXPECT_EQ(dib.Canvas().Pixel(3, 1), RGB(255, 0, 0)) << GetParam().name;
    EXPECT_EQ(dib.Canvas().Pixel(0, 4), twoColours ? RGB(255, 255, 255) : RGB(0, 0, 255)) << GetParam().name;

    // And what GDI draws comes back through the bridge.
    dib.Canvas().SetPixel(6, 0, twoColours ? fw::clWhite : fw::clRed);
    const img::Rgb drawn = dib.ToImage().GetPixel(6, 0);
    const img::Rgb expected = twoColours ? img::Rgb{255, 255, 255} : img::Rgb{255, 0, 0};
    EXPECT_EQ(drawn, expected) << GetParam().name;

    const fw::DibBitmap copy = dib;
    EXPECT_EQ(copy.ToImage(), dib.ToImage());
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DibBridge,
                         ::testing::Values(FormatCase{img::PixelFormat::pf1bit, "1 bit"},
                                           FormatCase{img::PixelFormat::pf4bit, "4 bits"},
                                           FormatCase{img::PixelFormat::pf8bit, "8 bits"},
                                           FormatCase{img::PixelFormat::pf15bit, "15 bits"},
                                           FormatCase{img::PixelFormat::pf16bit, "16 bits"},
                                           FormatCase{img::PixelFormat::pf24bit, "24 bits"},
                                           FormatCase{img::PixelFormat::pf32bit, "32 bits"}),
                         [](const ::testing::TestParamInfo<FormatCase>& param) {
                             return "Format" + std::to_string(static_cast<int>(param.param.format));
                         });

TEST_F(UiTest, BitmapResizeKeepsTopLeftAndCanvasKeepsDrawing)
{
    fw::DibBitmap bitmap(10, 10, img::PixelFormat::pf24bit);
    fw::Canvas& canvas = bitmap.Canvas();
    canvas.pen.color = fw::clRed;
    canvas.Line(0, 0, 5, 0);
    img::Bitmap image = bitmap.ToImage();
    EXPECT_EQ(image.GetPixel(4, 0), (img::Rgb{255, 0, 0}));
    EXPECT_EQ(image.GetPixel(5, 0), (img::Rgb{0, 0, 0})); // the end pixel is left out

    bitmap.Resize(3, 12);
    image = bitmap.ToImage();
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 12);
    EXPECT_EQ(image.GetPixel(2, 0), (img::Rgb{255, 0, 0}));
    EXPECT_EQ(image.GetPixel(0, 11), (img::Rgb{0, 0, 0}));

    canvas.Line(0, 11, 3, 11); // same canvas, new bitmap, same pen
    EXPECT_EQ(bitmap.ToImage().GetPixel(1, 11), (img::Rgb{255, 0, 0}));

    bitmap.SetPixelFormat(img::PixelFormat::pf8bit);
    EXPECT_EQ(bitmap.PixelFormat(), img::PixelFormat::pf8bit);
    EXPECT_EQ(bitmap.ToImage().GetPixel(2, 0), (img::Rgb{255, 0, 0}));

    bitmap.Clear();
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Width(), 0);
    bitmap.Resize(0, 0);
    EXPECT_EQ(bitmap.ToImage().Width(), 0);
}

TEST_F(UiTest, ScreenCompatibleBitmapTakesACopyOfTheScreen)
{
    EXPECT_TRUE(IsProcessDPIAware()); // screen pixels are real pixels
    const img::PixelFormat display = fw::DibBitmap::DisplayPixelFormat();
    fw::DibBitmap screen = fw::DibBitmap::ScreenCompatible(64, 32);
    EXPECT_EQ(screen.PixelFormat(), display);
    fw::Form form;
    form.SetBorderStyle(fw::BorderStyle::bsNone);
    form.SetBounds({0, 0, 64, 32});
    form.SetColor(fw::clRed);
    form.Show();
    form.Update();
    fw::WindowDC dc(nullptr);
    // Wine hands the window's pixels to the X server asynchronously: wait
    // until the screen shows them before copying.
    for (DWORD start = GetTickCount(); GetPixel(dc.Get(), 10, 10) != RGB(255, 0, 0) &&
                                       GetTickCount() - start < 3000;) {
        fw::App().ProcessMessages();
        Sleep(10);
    }
    BitBlt(screen.Canvas().Handle(), 0, 0, 64, 32, dc.Get(), 0, 0, SRCCOPY);
    EXPECT_EQ(screen.ToImage().GetPixel(10, 10), (img::Rgb{255, 0, 0}));
}

TEST_F(UiTest, AnyGdiBitmapCanBecomeAPicture)
{
    // A device bitmap drawn on with GDI.
    fw::WindowDC screen(nullptr);
    fw::BitmapHandle device(CreateCompatibleBitmap(screen.Get(), 8, 6));
    {
        fw::MemoryDC dc(screen.Get());
        fw::SelectObjectGuard select(dc.Get(), device.Get());
        fw::BrushHandle red(CreateSolidBrush(RGB(255, 0, 0)));
        const RECT all{0, 0, 8, 6};
        FillRect(dc.Get(), &all, red.Get());
        SetPixelV(dc.Get(), 2, 3, RGB(0, 0, 255));
    }
    const fw::DibBitmap copy = fw::DibBitmap::FromBitmap(device.Get());
    EXPECT_EQ(copy.Width(), 8);
    EXPECT_EQ(copy.Height(), 6);
    const img::Bitmap image = copy.ToImage();
    EXPECT_EQ(image.GetPixel(0, 0), (img::Rgb{255, 0, 0}));
    EXPECT_EQ(image.GetPixel(2, 3), (img::Rgb{0, 0, 255}));

    // A monochrome bitmap keeps one bit per pixel and its two colours.
    const WORD rows[2] = {0x80, 0x40}; // first pixel of row 0, second of row 1
    fw::BitmapHandle mono(CreateBitmap(8, 2, 1, 1, rows));
    const img::Bitmap twoColours = fw::DibBitmap::FromBitmap(mono.Get()).ToImage();
    EXPECT_EQ(twoColours.Format(), img::PixelFormat::pf1bit);
    EXPECT_EQ(twoColours.GetPixel(0, 0), (img::Rgb{255, 255, 255}));
    EXPECT_EQ(twoColours.GetPixel(1, 0), (img::Rgb{0, 0, 0}));
    EXPECT_EQ(twoColours.GetPixel(1, 1), (img::Rgb{255, 255, 255}));

    EXPECT_THROW(fw::DibBitmap::FromBitmap(nullptr), fw::Error);
}

TEST_F(UiTest, HollowShapesAndTransparentTextLeaveTheBackground)
{
    fw::DibBitmap bitmap(40, 30, img::PixelFormat::pf24bit);
    fw::Canvas& canvas = bitmap.Canvas();
    canvas.brush.color = fw::clGreen;
    canvas.FillRect(RECT{0, 0, 40, 30});
    canvas.pen.color = fw::clRed;
    canvas.brush.style = fw::BrushStyle::bsClear;
    canvas.Rectangle(2, 2, 12, 10);
    canvas.Ellipse(20, 2, 36, 14);
    img::Bitmap image = bitmap.ToImage();
    const img::Rgb red{255, 0, 0}, green{0, 128, 0}, white{255, 255, 255};
    EXPECT_EQ(image.GetPixel(2, 2), red);
    EXPECT_EQ(image.GetPixel(11, 9), red);
    EXPECT_EQ(image.GetPixel(12, 10), green);
    EXPECT_EQ(image.GetPixel(6, 6), green);  // hollow
    EXPECT_EQ(image.GetPixel(28, 8), green); // hollow
    EXPECT_EQ(image.GetPixel(20, 8), red);

    // Text: a blank cell shows what was there (bsClear) or the brush.
    canvas.font.color = fw::clRed;
    canvas.TextOut(2, 14, " W");
    EXPECT_EQ(bitmap.ToImage().GetPixel(3, 15), green);
    canvas.brush = {fw::clWhite, fw::BrushStyle::bsSolid};
    canvas.TextOut(2, 14, " W");
    EXPECT_EQ(bitmap.ToImage().GetPixel(3, 15), white);
    EXPECT_GT(canvas.TextWidth(" W"), canvas.TextWidth(" "));
}

TEST_F(UiTest, CanvasCopyRectAndFocusRectOnBitmaps)
{
    fw::DibBitmap source(20, 20, img::PixelFormat::pf24bit), target(20, 20, img::PixelFormat::pf24bit);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            source.Canvas().SetPixel(x, y, RGB(x * 10, y * 10, 128));
    const RECT area{4, 5, 15, 12};
    target.Canvas().CopyRect(area, source.Canvas(), area);
    const img::Bitmap copied = target.ToImage(), original = source.ToImage();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 4 && x < 15 && y >= 5 && y < 12;
            EXPECT_EQ(copied.GetPixel(x, y), inside ? original.GetPixel(x, y) : img::Rgb{}) << x << "," << y;
        }

    // A focus frame inverts every other pixel of its edges, corners once,
    // and nothing else, thin frames included; a second one takes it away.
    for (const RECT frame : {area, RECT{3, 3, 4, 12}, RECT{3, 3, 12, 4}, RECT{3, 3, 5, 12}, RECT{3, 3, 12, 5}}) {
        fw::DibBitmap white(20, 20, img::PixelFormat::pf24bit);
        white.Canvas().brush.color = fw::clWhite;
        white.Canvas().FillRect(RECT{0, 0, 20, 20});
        const img::Bitmap before = white.ToImage();
        white.Canvas().DrawFocusRect(frame);
        const img::Bitmap framed = white.ToImage();
        const auto changed = [&](int x, int y) { return !(framed.GetPixel(x, y) == before.GetPixel(x, y)); };
        const int parity = (frame.left + frame.top + (changed(frame.left, frame.top) ? 0 : 1)) % 2;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool onFrame = x >= frame.left && x < frame.right && y >= frame.top && y < frame.bottom &&
                                     (x == frame.left || x == frame.right - 1 || y == frame.top ||
                                      y == frame.bottom - 1);
                EXPECT_EQ(changed(x, y), onFrame && (x + y) % 2 == parity)
                    << x << "," << y << " of " << frame.right - frame.left << "x" << frame.bottom - frame.top;
                if (changed(x, y)) {
                    EXPECT_TRUE(framed.GetPixel(x, y) == (img::Rgb{0, 0, 0})) << "not inverted once";
                }
            }
        white.Canvas().DrawFocusRect(frame);
        EXPECT_EQ(white.ToImage(), before);
    }
}

TEST_F(UiTest, ImageShowsItsPictureAndReportsTheMouse)
{
    fw::Form form;
    form.SetBorderStyle(fw::BorderStyle::bsNone);
    form.SetBounds({0, 0, 200, 150});
    fw::Image image(form, {10, 10, 5, 5});
    image.SetAutoSize(true);
    fw::DibBitmap red(30, 20, img::PixelFormat::pf24bit);
    red.Canvas().brush.color = fw::clRed;
    red.Canvas().FillRect(RECT{0, 0, 30, 20});
    image.SetPicture(red);
    EXPECT_EQ(image.Width(), 30);
    EXPECT_EQ(image.Height(), 20);

    form.Show();
    form.Update();
    EXPECT_EQ(fw::WindowCanvas(image.Handle()).Pixel(12, 8), RGB(255, 0, 0));
    image.Picture().Canvas().SetPixel(2, 2, fw::clBlue); // drawing repaints the control
    image.Update();
    EXPECT_EQ(fw::WindowCanvas(image.Handle()).Pixel(2, 2), RGB(0, 0, 255));
    // Every drawing between two paints shows, and so does one after them.
    image.Picture().Canvas().SetPixel(3, 2, fw::clBlue);
    image.Picture().Canvas().SetPixel(4, 2, fw::clGreen);
    image.Update();
    EXPECT_EQ(fw::WindowCanvas(image.Handle()).Pixel(3, 2), RGB(0, 0, 255));
    EXPECT_EQ(fw::WindowCanvas(image.Handle()).Pixel(4, 2), RGB(0, 128, 0));
    image.Picture().Canvas().SetPixel(5, 2, fw::clBlue);
    image.Update();
    EXPECT_EQ(fw::WindowCanvas(image.Handle()).Pixel(5, 2), RGB(0, 0, 255));

    struct Event {
        std::string kind;
        fw::MouseButton button;
        fw::ShiftState shift;
        int x, y;
    };
    std::vector<Event> events;
    image.OnMouseDown = [&](fw::MouseButton b, fw::ShiftState s, int x, int y) { events.push_back({"down", b, s, x, y}); };
    image.OnMouseMove = [&](fw::ShiftState s, int x, int y) { events.push_back({"move", {}, s, x, y}); };
    image.OnMouseUp = [&](fw::MouseButton b, fw::ShiftState s, int x, int y) { events.push_back({"up", b, s, x, y}); };
    SendMessageA(image.Handle(), WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(5, 7));
    EXPECT_EQ(GetCapture(), image.Handle());
    SendMessageA(image.Handle(), WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(-3, 60)); // captured: beyond the control
    SendMessageA(image.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(-3, 60));
    EXPECT_NE(GetCapture(), image.Handle());

    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, "down");
    EXPECT_EQ(events[0].button, fw::MouseButton::mbRight);
    EXPECT_EQ(events[0].shift & (fw::ssShift | fw::ssRight), fw::ssShift | fw::ssRight);
    EXPECT_EQ(events[0].x, 5);
    EXPECT_EQ(events[0].y, 7);
    EXPECT_EQ(events[1].kind, "move");
    EXPECT_EQ(events[1].x, -3);
    EXPECT_EQ(events[1].y, 60);
    EXPECT_EQ(events[2].kind, "up");
    EXPECT_EQ(events[2].button, fw::MouseButton::mbRight);
}

TEST_F(UiTest, ScrollBoxShowsScrollBarsOnlyWhenItsChildIsLarger)
{
    fw::Form form;
    fw::ScrollBox box(form, {0, 0, 120, 100});
    fw::Image child(box, {0, 0, 50, 40});
    auto bars = [&] { return GetWindowLongA(box.Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL); };
    EXPECT_EQ(bars(), 0);
    child.SetBounds({0, 0, 400, 40});
    EXPECT_EQ(bars(), WS_HSCROLL);
    child.SetBounds({0, 0, 400, 300});
    EXPECT_EQ(bars(), WS_HSCROLL | WS_VSCROLL);
    box.ScrollTo(50, 20);
    EXPECT_EQ(child.Left(), -50);
    EXPECT_EQ(child.Top(), -20);
    child.SetBounds({0, 0, 30, 30});
    EXPECT_EQ(bars(), 0);

    // Without automatic scroll bars the child is placed by hand.
    fw::ScrollBox manual(form, {0, 0, 120, 100});
    manual.SetAutoScroll(false);
    fw::Image picture(manual, {0, 0, 400, 300});
    picture.SetLeft(-40);
    EXPECT_EQ(picture.Left(), -40);
    EXPECT_EQ(GetWindowLongA(manual.Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
}

// --- clipboard --------------------------------------------------------------

TEST_F(UiTest, ClipboardReceivesTheBitmapWithItsPalette)
{
    const img::Bitmap indexed = Pattern(img::PixelFormat::pf8bit);
    fw::CopyBitmapToClipboard(fw::DibBitmap(indexed));
    auto pasted = fw::BitmapFromClipboard();
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(*pasted, indexed);
    EXPECT_EQ(fw::PaletteFromClipboard(), indexed.Palette());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));

    const img::Bitmap direct = Pattern(img::PixelFormat::pf16bit);
    fw::CopyBitmapToClipboard(fw::DibBitmap(direct));
    pasted = fw::BitmapFromClipboard();
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(*pasted, direct);
    EXPECT_TRUE(fw::PaletteFromClipboard().empty()); // the old palette went with the old content
}

TEST_F(UiTest, EmptyPicturesAreHarmlessEverywhere)
{
    fw::DibBitmap empty; // a capture of 0 x 0 pixels
    fw::Canvas& canvas = empty.Canvas();
    canvas.Line(0, 0, 10, 10);
    canvas.Rectangle(0, 0, 5, 5);
    EXPECT_TRUE(empty.Empty());
    fw::DibBitmap copy = empty;
    EXPECT_EQ(copy.ToImage().Width(), 0);

    fw::Form form;
    fw::Image image(form, {0, 0, 20, 20});
    image.SetAutoSize(true);
    image.SetPicture(copy);
    EXPECT_EQ(image.Width(), 0);
    form.Show();
    form.Update();
    fw::CopyBitmapToClipboard(empty);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
}

TEST_F(UiTest, PackedDibWithDataMissingIsRefused)
{
    std::vector<std::uint8_t> packed(40, 0);
    packed[0] = 40;             // BITMAPINFOHEADER
    packed[4] = 16;             // width 16
    packed[8] = 16;             // height 16
    packed[12] = 1;             // planes
    packed[14] = 8;             // 8 bits: a 1024-byte colour table follows
    try {
        fw::DecodePackedDib(packed.data(), packed.size());
        ADD_FAILURE() << "accepted";
    } catch (const fw::Error& e) {
        EXPECT_THAT(e.what(), ::testing::StartsWith("Invalid bitmap: "));
    }
}

} // namespace

// --- display scaling --------------------------------------------------------

constexpr COLORREF kGlyphTransparent = RGB(255, 0, 255);

// Two 16-pixel glyphs: the first red on its left half with one blue pixel
// at (1, 1), transparent on its right half.
fw::DibBitmap GlyphStrip()
{
    fw::DibBitmap strip(32, 16, img::PixelFormat::pf24bit);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            strip.Canvas().SetPixel(x, y, x < 8 ? RGB(255, 0, 0) : kGlyphTransparent);
    strip.Canvas().SetPixel(1, 1, RGB(0, 0, 255));
    return strip;
}

// A resizable form with anchored controls, a combo box, a glyph tool bar, a
// list with a column and a picture that keeps its pixels.
class ScalingForm : public fw::Form {
public:
    ScalingForm()
    {
        SetClientSize(300, 200);
        anchors.Add(edit, fw::akLeft | fw::akTop | fw::akRight);
        anchors.Add(button, fw::akRight | fw::akBottom);
        list.AddColumn("Name", 100);
        bar.SetGlyphs(GlyphStrip(), kGlyphTransparent);
        bar.AddButton(0, fw::ToolButtonStyle::tbsButton, "one");
        picture.SetScaled(false);
    }
    fw::Edit edit{*this, {10, 10, 200, 21}};
    fw::Button button{*this, {215, 165, 75, 25}, "OK"};
    fw::ComboBox combo{*this, {10, 40, 100, 21}, 100};
    fw::ListView list{*this, {10, 70, 150, 80}};
    fw::ToolBar bar{*this, {250, 40, 23, 60}};
    fw::Image picture{*this, {170, 70, 40, 30}};
    fw::AnchorLayout anchors;

protected:
    void Resized() override { anchors.Apply(ClientWidth(), ClientHeight()); }
};

TEST_F(UiTest, ScalingMultipliesPlacesFontsColumnsAndGlyphsAndAnchorsFollow)
{
    ScalingForm form;
    const int fontHeight = form.Font().height;
    form.ScaleForDpi(192);
    EXPECT_EQ(form.PixelsPerInch(), 192);
    EXPECT_EQ(form.ClientWidth(), 600);
    EXPECT_EQ(form.ClientHeight(), 400);
    EXPECT_EQ(form.Font().height, 2 * fontHeight);
    EXPECT_EQ(form.edit.Font().height, 2 * fontHeight) << "children follow the form's font";
    EXPECT_EQ(form.edit.GetBounds(), (fw::Bounds{20, 20, 400, 42}));
    EXPECT_EQ(form.button.GetBounds(), (fw::Bounds{430, 330, 150, 50}));
    EXPECT_EQ(form.combo.Left(), 20);
    EXPECT_EQ(form.combo.Width(), 200);
    RECT dropped{};
    SendMessageA(form.combo.Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GE(dropped.bottom - dropped.top, 200) << "the open list shrank";
    EXPECT_EQ(SendMessageA(form.list.Handle(), LVM_GETCOLUMNWIDTH, 0, 0), 200);
    ASSERT_NE(form.bar.Images(), nullptr);
    EXPECT_EQ(form.bar.Images()->Width(), 32);
    EXPECT_EQ(form.bar.Images()->Count(), 2);
    // Each glyph pixel became a 2x2 block; the transparent ones still let
    // the background through.
    fw::DibBitmap drawn(32, 32, img::PixelFormat::pf24bit);
    drawn.Canvas().brush.color = RGB(0, 255, 0);
    drawn.Canvas().FillRect(RECT{0, 0, 32, 32});
    ImageList_Draw(form.bar.Images()->Handle(), 0, drawn.Canvas().Handle(), 0, 0, ILD_TRANSPARENT);
    EXPECT_EQ(drawn.Canvas().Pixel(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(drawn.Canvas().Pixel(3, 3), RGB(0, 0, 255));
    EXPECT_EQ(drawn.Canvas().Pixel(4, 2), RGB(255, 0, 0));
    EXPECT_EQ(drawn.Canvas().Pixel(15, 20), RGB(255, 0, 0));
    EXPECT_EQ(drawn.Canvas().Pixel(16, 20), RGB(0, 255, 0));
    EXPECT_EQ(drawn.Canvas().Pixel(31, 31), RGB(0, 255, 0));
    EXPECT_EQ(form.picture.GetBounds(), (fw::Bounds{170, 70, 40, 30})) << "an unscaled window moved";

    // Anchors keep the scaled margins when the form is resized afterwards.
    form.SetClientSize(700, 400);
    EXPECT_EQ(form.edit.Width(), 500);
    EXPECT_EQ(form.button.Left(), 530);

    // Back at 96 DPI it is the design again.
    form.SetClientSize(600, 400);
    form.ScaleForDpi(96);
    EXPECT_EQ(form.ClientWidth(), 300);
    EXPECT_EQ(form.Font().height, fontHeight);
    EXPECT_EQ(form.edit.GetBounds(), (fw::Bounds{10, 10, 200, 21}));
    EXPECT_EQ(form.button.GetBounds(), (fw::Bounds{215, 165, 75, 25}));
    EXPECT_EQ(form.bar.Images()->Width(), 16);
}

TEST_F(UiTest, AFormThatIsNotScaledKeepsItsPixels)
{
    ScalingForm form;
    form.SetScaled(false);
    form.ScaleForDpi(144);
    EXPECT_EQ(form.PixelsPerInch(), 96);
    EXPECT_EQ(form.ClientWidth(), 300);
    EXPECT_EQ(form.edit.GetBounds(), (fw::Bounds{10, 10, 200, 21}));
}
