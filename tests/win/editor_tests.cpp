// The preview page's image editor in a shown wizard, driven by the messages a
// user's mouse and keys send: the tool bar, every tool's pixels, the text box,
// panning, undo from the keys and the link, the colour-depth menu, and the
// colour and font choosers. Modal choosers and menus are answered from
// message-loop timers while they run.
#include "wizard/AfterScreenShotWindowUnit.h"
#include "WizardScript.h"
#include "EditorInput.h"
#include "common/PixwellInc.h"
#include "pluginhost/CheckedPluginsUnit.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "wizard/WizardPageFlow.h"
#include "ui/Application.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"
#include "imaging/Bitmap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commdlg.h>

#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using wizard_test::Press;
using namespace editor_test;
using wizard_test::Script;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace wizard;

// A picture of soft, varied colours: no pixel is pure red, blue, black or
// white, so every pen stroke shows.
img::Bitmap Scene(int width, int height, img::PixelFormat format = img::PixelFormat::pf24bit)
{
    img::Bitmap image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, {uint8_t(60 + (x * 7 + y * 3) % 120), uint8_t(60 + (x * 5 + y * 11) % 120),
                                  uint8_t(60 + ((x * 13) ^ (y * 2)) % 120)});
    return image;
}

img::Rgb RgbOf(fw::Color color)
{
    return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

const img::Rgb kRed = RgbOf(fw::clRed);
const img::Rgb kBlue = RgbOf(fw::clBlue);

std::vector<POINT> ChangedPixels(const img::Bitmap& before, const img::Bitmap& after)
{
    std::vector<POINT> changed;
    for (int y = 0; y < before.Height(); ++y)
        for (int x = 0; x < before.Width(); ++x)
            if (!(before.GetPixel(x, y) == after.GetPixel(x, y)))
                changed.push_back({x, y});
    return changed;
}

bool Inside(POINT p, const RECT& r)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void PressCtrlZ()
{
    PressKey('Z', {VK_CONTROL});
}

// Typing, one key at a time.
void Type(const std::string& lowercase)
{
    for (const char c : lowercase)
        PressKey(static_cast<WORD>(VkKeyScanA(c) & 0xFF));
}

// A visible top-level window of this thread with the class given ("#32768"
// a menu, "#32770" a dialog).
HWND ThreadWindow(const char* className)
{
    struct Search {
        const char* className;
        HWND found;
    } search{className, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            char name[32] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (IsWindowVisible(hwnd) && std::string(name) == s.className) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Answers each modal window of `className` that opens while it lives, from
// a timer that runs inside the window's own loop.
class Answerer {
public:
    Answerer(const char* className, std::function<void(HWND)> answer)
        : className_(className), answer_(std::move(answer))
    {
        timer_.OnTimer = [this] {
            if (HWND window = ThreadWindow(className_); window && window != last_) {
                last_ = window;
                ++seen;
                answer_(window);
            }
        };
    }
    int seen = 0;

private:
    const char* className_;
    std::function<void(HWND)> answer_;
    HWND last_ = nullptr;
    fw::Timer timer_{5};
};

// Pumps the message loop for a while (timers fire meanwhile).
void Pump(DWORD milliseconds)
{
    const ULONGLONG until = GetTickCount64() + milliseconds;
    while (GetTickCount64() < until) {
        fw::App().ProcessMessages();
        Sleep(5);
    }
}

// ---- The fixture --------------------------------------------------------------------

void WriteHistoryLimit(DWORD steps)
{
    EXPECT_EQ(fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kGeneralKey)
                  .WriteDword(pixwell::kMaxHistoryStepsValue, steps),
              ERROR_SUCCESS);
}

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

class Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        DeleteFileA(CheckedPluginsPath().c_str());
        catalogue_ = fw::ClassObjectRegistration::Register(kPixwellObjectClass);
    }
    void TearDown() override
    {
        EXPECT_THAT(errors.messages, IsEmpty()) << "unexpected messages to the user";
        catalogue_.Revoke();
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
    }
    fw::FormPtr<TAfterScreenShotWindow> NewWizard(const img::Bitmap& image)
    {
        auto w = fw::CreateForm<TAfterScreenShotWindow>([](const std::string&, HWND) {});
        w->AssignImage(fw::DibBitmap(image));
        return w;
    }
    // Shows the wizard, runs `body` on its preview page and closes it.
    static void OnPreview(TAfterScreenShotWindow& w, const std::function<void()>& body)
    {
        Script script(w);
        script.OnPage(wpPreview, [&] {
            body();
            Press(*w.Finalize);
        });
        w.ShowModal();
        EXPECT_TRUE(script.Finished());
    }
    static img::Bitmap Picture(const TAfterScreenShotWindow& w) { return w.ScreenShot->Picture().ToImage(); }

    fw::ComInit ole_{fw::ComInit::Kind::Ole};
    fw::ClassObjectRegistration catalogue_;
    ErrorCapture errors;
};

// ---- Tool bar and swatch ------------------------------------------------------------

TEST_F(Editor, ToolButtonsAreOneGroupWithTheirHintsAndPointers)
{
    auto w = NewWizard(Scene(100, 80));
    fw::ToolBar& bar = *w->ToolBar;
    const char* const hints[] = {"Move image", "Free hand paint", "Paint a line", "Draw ellipse",
                                 "Draw square", "Type text",       "Image settings"};
    ASSERT_EQ(bar.ButtonCount(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(bar.Hints().PartText(bar, static_cast<UINT_PTR>(i)), hints[i]) << i;
    EXPECT_EQ(bar.Images()->Count(), 7);
    EXPECT_EQ(w->Hints->Text(*w->PenColor), "Pen color");
    EXPECT_EQ(w->PenColor->BrushColor(), fw::clRed);

    struct Case {
        fw::ToolButton* button;
        int tool;
        fw::Cursor cursor;
    };
    OnPreview(*w, [&] {
        EXPECT_TRUE(w->tbMove->Down());
        EXPECT_EQ(w->CurrentTool(), 0);
        EXPECT_EQ(w->ScreenShot->GetCursor(), fw::crHandPoint);
        for (const Case c : {Case{w->tbPaint, 1, fw::crCross}, Case{w->tbLine, 2, fw::crCross},
                             Case{w->tbEllipse, 5, fw::crCross}, Case{w->tbSquare, 3, fw::crCross},
                             Case{w->tbText, 4, fw::crIBeam}, Case{w->tbText, 4, fw::crIBeam},
                             Case{w->tbMove, 0, fw::crHandPoint}}) {
            Click(bar, *c.button);
            EXPECT_EQ(w->CurrentTool(), c.tool) << c.button->Hint();
            EXPECT_EQ(w->ScreenShot->GetCursor(), c.cursor) << c.button->Hint();
            int down = 0;
            for (int i = 0; i < 7; ++i)
                down += bar.Button(i).Down();
            EXPECT_EQ(down, 1) << c.button->Hint();
        }
        // The settings button opens its menu (closed here at once) and
        // springs back; the tool stays.
        PostMessageA(w->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
        Click(bar, *w->tbSettings);
        EXPECT_FALSE(w->tbSettings->Down());
        EXPECT_EQ(w->CurrentTool(), 0);
    });
}

TEST_F(Editor, SwatchChoosesThePenAndABlueStrokeStartsWithABluePixel)
{
    const img::Bitmap scene = Scene(120, 90);
    auto w = NewWizard(scene);
    int answers = 0;
    // The first showing is cancelled, the second chooses blue.
    Answerer chooser("#32770", [&](HWND dialog) {
        if (answers++ == 0) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        // The chooser's red, green and blue boxes.
        SetDlgItemTextA(dialog, 0x2c2, "0");
        SetDlgItemTextA(dialog, 0x2c3, "0");
        SetDlgItemTextA(dialog, 0x2c4, "255");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    OnPreview(*w, [&] {
        ClickAt(*w->PenColor, {5, 5});
        EXPECT_EQ(w->PenColor->BrushColor(), fw::clRed);
        ClickAt(*w->PenColor, {5, 5});
        EXPECT_EQ(w->PenColor->BrushColor(), fw::clBlue);
        EXPECT_TRUE(Picture(*w) == scene) << "choosing a colour changes no pixel";

        Click(*w->ToolBar, *w->tbPaint);
        SendMouse(*w->ScreenShot, WM_LBUTTONDOWN, MK_LBUTTON, {10, 10});
        EXPECT_TRUE(Picture(*w).GetPixel(10, 10) == kBlue);
        const std::vector<POINT> moves{{30, 12}, {30, 40}, {5, 60}};
        for (const POINT p : moves)
            SendMouse(*w->ScreenShot, WM_MOUSEMOVE, MK_LBUTTON, p);
        SendMouse(*w->ScreenShot, WM_LBUTTONUP, 0, moves.back());
        const img::Bitmap stroke = Picture(*w);
        for (const POINT p : moves)
            EXPECT_TRUE(stroke.GetPixel(p.x, p.y) == kBlue) << p.x << "," << p.y;
        const std::vector<POINT> changed = ChangedPixels(scene, stroke);
        EXPECT_GE(changed.size(), 20u + 28u + 25u);
        for (const POINT p : changed) {
            EXPECT_TRUE(Inside(p, RECT{5, 10, 31, 61})) << p.x << "," << p.y;
            EXPECT_TRUE(stroke.GetPixel(p.x, p.y) == kBlue) << p.x << "," << p.y;
        }
        // The link takes the whole stroke back.
        EXPECT_EQ(w->Editor->History().Count(), 1u);
        ClickAt(*w->Label6, {2, 2});
        EXPECT_TRUE(Picture(*w) == scene);
    });
    EXPECT_EQ(chooser.seen, 2);
}

// ---- Shapes -------------------------------------------------------------------------

TEST_F(Editor, RubberBandLeavesOnlyTheLastShapeWhicheverWayAndWithAnyButton)
{
    const img::Bitmap scene = Scene(140, 100);
    const POINT from{20, 15}, to{110, 80};
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        for (fw::ToolButton* tool : {w->tbLine, w->tbSquare, w->tbEllipse}) {
            SCOPED_TRACE(tool->Hint());
            Click(*w->ToolBar, *tool);
            Drag(*w->ScreenShot, {from, to});
            const img::Bitmap direct = Picture(*w);
            PressCtrlZ();
            ASSERT_TRUE(Picture(*w) == scene);

            // Back and forth, past the picture's edges, with the right button.
            Drag(*w->ScreenShot, {from, {60, 50}, {-30, -40}, {200, 150}, {30, 90}, {139, 0}, {111, 79}, to},
                 true);
            EXPECT_TRUE(Picture(*w) == direct) << "a trace of an earlier preview stayed";
            PressCtrlZ();

            // A rectangle or ellipse dragged the other way round is the same.
            if (tool != w->tbLine) {
                Drag(*w->ScreenShot, {to, from});
                EXPECT_TRUE(Picture(*w) == direct);
                PressCtrlZ();
            }
            ASSERT_TRUE(Picture(*w) == scene);

            // The shape is in the pen colour, inside its corners; the
            // rectangle and the ellipse are hollow.
            const std::vector<POINT> changed = ChangedPixels(scene, direct);
            EXPECT_GE(changed.size(), 90u);
            for (const POINT p : changed) {
                EXPECT_TRUE(Inside(p, RECT{from.x, from.y, to.x + 1, to.y + 1})) << p.x << "," << p.y;
                EXPECT_TRUE(direct.GetPixel(p.x, p.y) == kRed) << p.x << "," << p.y;
            }
            if (tool != w->tbLine) {
                EXPECT_TRUE(direct.GetPixel(65, 47) == scene.GetPixel(65, 47));
            }
        }
    });
    EXPECT_TRUE(w->Editor->History().Count() == 0);
}

TEST_F(Editor, ClickWithoutMoveRecordsAStepAndChangesOnlyTheFreeHandPixel)
{
    const img::Bitmap scene = Scene(60, 50);
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        for (fw::ToolButton* tool : {w->tbLine, w->tbSquare, w->tbEllipse, w->tbPaint}) {
            Click(*w->ToolBar, *tool);
            ClickAt(*w->ScreenShot, {30, 20});
        }
        EXPECT_EQ(w->Editor->History().Count(), 4u);
        const std::vector<POINT> changed = ChangedPixels(scene, Picture(*w));
        ASSERT_EQ(changed.size(), 1u);
        EXPECT_EQ(changed[0].x * 100 + changed[0].y, 30 * 100 + 20);
        // Panning and choosing tools record nothing.
        Click(*w->ToolBar, *w->tbMove);
        Drag(*w->ScreenShot, {{10, 10}, {5, 5}});
        EXPECT_EQ(w->Editor->History().Count(), 4u);
        PressCtrlZ();
        EXPECT_TRUE(Picture(*w) == scene);
        PressCtrlZ(); // the ellipse's click: nothing to see
        EXPECT_TRUE(Picture(*w) == scene);
        EXPECT_EQ(w->Editor->History().Count(), 2u);
    });
}

// Ctrl+Z in the middle of a drag takes the drag's step back; the rest of the
// drag must not draw a shape that no step records.
TEST_F(Editor, UndoInTheMiddleOfADragEndsIt)
{
    const img::Bitmap scene = Scene(80, 60);
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        Click(*w->ToolBar, *w->tbSquare);
        SendMouse(*w->ScreenShot, WM_LBUTTONDOWN, MK_LBUTTON, {10, 10});
        SendMouse(*w->ScreenShot, WM_MOUSEMOVE, MK_LBUTTON, {50, 40});
        EXPECT_FALSE(Picture(*w) == scene);
        PressCtrlZ();
        EXPECT_TRUE(Picture(*w) == scene);
        SendMouse(*w->ScreenShot, WM_MOUSEMOVE, MK_LBUTTON, {60, 50});
        SendMouse(*w->ScreenShot, WM_LBUTTONUP, 0, {60, 50});
        EXPECT_TRUE(Picture(*w) == scene);
        EXPECT_EQ(w->Editor->History().Count(), 0u);
    });
}

// A depth chosen from the menu while the button is still down ends the
// drag: the shape drawn so far stays as its own step, and the moves and the
// release after it draw nothing that no step records.
TEST_F(Editor, ADepthChosenInTheMiddleOfADragEndsIt)
{
    const img::Bitmap scene = Scene(80, 60);
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        Click(*w->ToolBar, *w->tbSquare);
        SendMouse(*w->ScreenShot, WM_LBUTTONDOWN, MK_LBUTTON, {10, 10});
        SendMouse(*w->ScreenShot, WM_MOUSEMOVE, MK_LBUTTON, {50, 40});
        ChooseDepth(*w, 5); // "24 bit", the scene's own depth: no colour changes
        const img::Bitmap ended = Picture(*w);
        EXPECT_FALSE(ended == scene);
        SendMouse(*w->ScreenShot, WM_MOUSEMOVE, MK_LBUTTON, {60, 50});
        SendMouse(*w->ScreenShot, WM_LBUTTONUP, 0, {60, 50});
        EXPECT_TRUE(Picture(*w) == ended) << "the drag went on after the depth was chosen";
        EXPECT_EQ(w->Editor->History().Count(), 2u);
        PressCtrlZ();
        PressCtrlZ();
        EXPECT_TRUE(Picture(*w) == scene);
    });
}

// A drag whose button-up never came (the mouse taken away) is not carried on
// by the tool chosen next: what it would draw would be in no undo step.
TEST_F(Editor, ADragIsCarriedOnOnlyByTheToolThatStartedIt)
{
    const img::Bitmap scene = Scene(80, 60);
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        Click(*w->ToolBar, *w->tbMove);
        SendMouse(*w->ScreenShot, WM_LBUTTONDOWN, MK_LBUTTON, {10, 10});
        Click(*w->ToolBar, *w->tbLine);
        SendMouse(*w->ScreenShot, WM_MOUSEMOVE, MK_LBUTTON, {60, 40});
        EXPECT_TRUE(Picture(*w) == scene) << "the line tool drew on the move tool's drag";
        EXPECT_EQ(w->Editor->History().Count(), 0u);
        SendMouse(*w->ScreenShot, WM_LBUTTONUP, 0, {60, 40});
    });
}

// ---- Text ----------------------------------------------------------------------------

TEST_F(Editor, TextIsWrittenInThePenColourOnAClearBackgroundWhereTheBoxStood)
{
    const img::Bitmap scene = Scene(200, 120);
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        Click(*w->ToolBar, *w->tbText);
        ClickAt(*w->ScreenShot, {20, 30});
        EXPECT_EQ(w->Editor->History().Count(), 0u) << "opening a text records nothing";
        fw::Edit* box = w->Editor->TextEdit();
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->Focused());
        fw::Canvas& canvas = w->ScreenShot->Picture().Canvas();
        const int emptyWidth = box->Width();
        EXPECT_EQ(emptyWidth, canvas.TextWidth("MM"));

        Type("hello");
        EXPECT_EQ(box->Text(), "hello");
        // Each key made room for itself before it went in.
        EXPECT_EQ(box->Width(), canvas.TextWidth("hellMM"));
        PressKey(VK_RETURN);
        EXPECT_FALSE(box->Visible());
        EXPECT_EQ(w->Editor->History().Count(), 1u);

        const img::Bitmap written = Picture(*w);
        const SIZE extent = canvas.TextExtent("hello");
        const RECT textRect{20, 30, 20 + extent.cx, 30 + extent.cy};
        const std::vector<POINT> changed = ChangedPixels(scene, written);
        ASSERT_FALSE(changed.empty());
        // A clear background: most of the text's box keeps its pixels.
        EXPECT_LT(changed.size(), static_cast<std::size_t>(extent.cx * extent.cy / 2));
        bool penColourSeen = false;
        for (const POINT p : changed) {
            EXPECT_TRUE(Inside(p, textRect)) << p.x << "," << p.y;
            // Smoothed edges lie between the background and the pen colour.
            const img::Rgb was = scene.GetPixel(p.x, p.y), is = written.GetPixel(p.x, p.y);
            EXPECT_TRUE(is.r >= was.r && is.g <= was.g && is.b <= was.b) << p.x << "," << p.y;
            penColourSeen = penColourSeen || is == kRed;
        }
        EXPECT_TRUE(penColourSeen);
    });
}

TEST_F(Editor, SecondTextDiscardsTheFirstAndOnlyTheMoveToolOrLeavingTheBoxWritesIt)
{
    const img::Bitmap scene = Scene(200, 120);
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        Click(*w->ToolBar, *w->tbText);
        ClickAt(*w->ScreenShot, {10, 10});
        Type("lost");
        ClickAt(*w->ScreenShot, {40, 60});
        EXPECT_TRUE(Picture(*w) == scene) << "the first box was written";
        EXPECT_EQ(w->Editor->History().Count(), 0u);
        ASSERT_TRUE(w->Editor->TextOpen());
        EXPECT_EQ(w->Editor->TextEdit()->Text(), "");
        Type("kept");

        Click(*w->ToolBar, *w->tbLine);
        EXPECT_TRUE(w->Editor->TextOpen()) << "a drawing tool leaves the box open";
        EXPECT_TRUE(Picture(*w) == scene);
        Click(*w->ToolBar, *w->tbMove);
        EXPECT_FALSE(w->Editor->TextOpen());
        EXPECT_EQ(w->Editor->History().Count(), 1u);
        const img::Bitmap once = Picture(*w);
        EXPECT_FALSE(once == scene);
        for (const POINT p : ChangedPixels(scene, once))
            EXPECT_GE(p.y, 60);

        // Another text, then the focus goes to a button: written once.
        Click(*w->ToolBar, *w->tbText);
        ClickAt(*w->ScreenShot, {100, 10});
        Type("away");
        w->Next->SetFocus();
        EXPECT_FALSE(w->Editor->TextOpen());
        EXPECT_EQ(w->Editor->History().Count(), 2u);
        EXPECT_FALSE(Picture(*w) == once);
    });
}

// ---- Panning ---------------------------------------------------------------------------

// Drags with the move tool along `path`, points of the view's client area;
// the picture reports each in its own pixels, wherever it has moved to.
void Pan(TAfterScreenShotWindow& w, const std::vector<POINT>& path)
{
    const auto inPicture = [&](POINT p) {
        const fw::Bounds b = w.ScreenShot->GetBounds();
        return POINT{p.x - b.left, p.y - b.top};
    };
    SendMouse(*w.ScreenShot, WM_LBUTTONDOWN, MK_LBUTTON, inPicture(path.front()));
    for (std::size_t i = 1; i < path.size(); ++i)
        SendMouse(*w.ScreenShot, WM_MOUSEMOVE, MK_LBUTTON, inPicture(path[i]));
    SendMouse(*w.ScreenShot, WM_LBUTTONUP, 0, inPicture(path.back()));
}

std::vector<POINT> Steps(POINT from, POINT to)
{
    std::vector<POINT> path{from};
    while (path.back().x != to.x || path.back().y != to.y) {
        POINT p = path.back();
        p.x += (to.x > p.x) - (to.x < p.x);
        p.y += (to.y > p.y) - (to.y < p.y);
        path.push_back(p);
    }
    return path;
}

TEST_F(Editor, MoveToolBringsEachEdgeToTheViewsEdgeAndNoFurther)
{
    auto w = NewWizard(Scene(600, 400));
    OnPreview(*w, [&] {
        // View 359 x 232: the picture may go from 0 to -241 and -168.
        EXPECT_EQ(w->ScreenShot->Left(), 0);
        Pan(*w, Steps({350, 230}, {0, 0}));
        EXPECT_EQ(w->ScreenShot->Left(), -241);
        EXPECT_EQ(w->ScreenShot->Top(), -168);
        Pan(*w, Steps({0, 0}, {358, 231}));
        EXPECT_EQ(w->ScreenShot->Left(), 0);
        EXPECT_EQ(w->ScreenShot->Top(), 0);
        // One jump past the edge is refused whole.
        Pan(*w, {{300, 200}, {20, 200}});
        EXPECT_EQ(w->ScreenShot->Left(), 0);
    });

    // Narrower than the view: it stays centred across, and pans down.
    auto narrow = NewWizard(Scene(101, 600));
    OnPreview(*narrow, [&] {
        const int centred = narrow->ScreenShot->Left();
        Pan(*narrow, Steps({180, 200}, {100, 100}));
        EXPECT_EQ(narrow->ScreenShot->Left(), centred);
        EXPECT_EQ(narrow->ScreenShot->Top(), -100);
    });
}

// ---- Undo ------------------------------------------------------------------------------

void Stroke(TAfterScreenShotWindow& w, int i)
{
    Drag(*w.ScreenShot, {{2 + i * 5, 2}, {2 + i * 5, 40}});
}

TEST_F(Editor, ElevenStrokesAndElevenCtrlZGoBackToTheFirstStrokeWithTheKeyReachingTheControl)
{
    const img::Bitmap scene = Scene(80, 50);
    auto w = NewWizard(scene);
    std::vector<WORD> keysAtNext;
    OnPreview(*w, [&] {
        Click(*w->ToolBar, *w->tbPaint);
        Stroke(*w, 0);
        const img::Bitmap afterFirst = Picture(*w);
        for (int i = 1; i < 11; ++i)
            Stroke(*w, i);
        EXPECT_EQ(w->Editor->History().Count(), 10u);
        w->Next->SetFocus();
        w->Next->OnKeyDown = [&](WORD& key, fw::ShiftState) { keysAtNext.push_back(key); };
        for (int i = 0; i < 10; ++i)
            PressKey('Z', i % 2 ? std::initializer_list<WORD>{VK_CONTROL, VK_SHIFT}
                                : std::initializer_list<WORD>{VK_CONTROL});
        EXPECT_TRUE(Picture(*w) == afterFirst);
        PressCtrlZ();
        EXPECT_TRUE(Picture(*w) == afterFirst);
        w->Next->OnKeyDown = nullptr;
    });
    EXPECT_EQ(keysAtNext.size(), 11u);
    EXPECT_EQ(keysAtNext.front(), 'Z');
}

TEST_F(Editor, LimitOfOneAllowsOneStepBackFromAnyPageWithAltHeldButNotWithF11)
{
    WriteHistoryLimit(1);
    const img::Bitmap scene = Scene(80, 50);
    auto w = NewWizard(scene);
    img::Bitmap afterFirst, afterSecond;
    Script script(*w);
    script.OnPage(wpPreview, [&] {
              Click(*w->ToolBar, *w->tbPaint);
              Stroke(*w, 0);
              afterFirst = Picture(*w);
              Stroke(*w, 1);
              afterSecond = Picture(*w);
              Press(*w->Next);
          })
        .OnPage(wpChoosePlugins, [&] {
            w->Next->SetFocus();
            PressKey(VK_F11, {VK_CONTROL});
            EXPECT_TRUE(Picture(*w) == afterSecond) << "F11 is no undo key";
            PressKey('Z', {VK_CONTROL, VK_MENU});
            EXPECT_TRUE(Picture(*w) == afterFirst);
            PressKey('Z', {VK_CONTROL, VK_SHIFT});
            EXPECT_TRUE(Picture(*w) == afterFirst) << "one step only";
            Press(*w->Finalize);
        });
    w->ShowModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(w->Editor->History().Limit(), 1);
}

// ---- Colour depth -------------------------------------------------------------------

TEST_F(Editor, DepthMenuConvertsRecordsEachChoiceAndUndoBringsTheColoursBack)
{
    const img::Bitmap scene = Scene(64, 40, img::PixelFormat::pf32bit);
    auto w = NewWizard(scene);
    OnPreview(*w, [&] {
        ChooseDepth(*w, 0); // "1 bit"
        fw::DibBitmap& picture = w->ScreenShot->Picture();
        EXPECT_EQ(picture.PixelFormat(), img::PixelFormat::pf1bit);
        EXPECT_EQ(picture.Width(), 64);
        EXPECT_EQ(picture.Height(), 40);
        std::set<uint32_t> colours;
        const img::Bitmap oneBit = Picture(*w);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 64; ++x) {
                const img::Rgb c = oneBit.GetPixel(x, y);
                colours.insert(c.r << 16 | c.g << 8 | c.b);
            }
        EXPECT_EQ(colours.size(), 2u);

        // "24 bit" twice: black and white stay, each choice is a step.
        ChooseDepth(*w, 5);
        ChooseDepth(*w, 5);
        EXPECT_EQ(picture.PixelFormat(), img::PixelFormat::pf24bit);
        EXPECT_EQ(w->Editor->History().Count(), 3u);
        const img::Bitmap wide = Picture(*w);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 64; ++x)
                EXPECT_TRUE(wide.GetPixel(x, y) == oneBit.GetPixel(x, y));

        for (int i = 0; i < 3; ++i)
            PressCtrlZ();
        EXPECT_EQ(picture.PixelFormat(), img::PixelFormat::pf32bit);
        EXPECT_TRUE(Picture(*w) == scene);
    });
}

// ---- Font ---------------------------------------------------------------------------------

TEST_F(Editor, HoldingTheTextButtonOpensTheFontMenuAndAQuickClickNever)
{
    auto w = NewWizard(Scene(50, 50));
    {
        Answerer menus("#32768", [](HWND) { EndMenu(); });
        OnPreview(*w, [&] {
            Click(*w->ToolBar, *w->tbText);
            Pump(800);
        });
        EXPECT_EQ(menus.seen, 0);
        EXPECT_TRUE(w->tbText->Down());
    }

    // Held: the menu opens beside the button; its entry opens the chooser.
    auto held = NewWizard(Scene(50, 50));
    const fw::Font before = held->Editor->TextFont();
    int dialogs = 0;
    Answerer chooser("#32770", [&](HWND dialog) {
        ++dialogs;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    POINT menuAt{};
    Answerer menu("#32768", [&](HWND popup) {
        RECT r{};
        GetWindowRect(popup, &r);
        menuAt = {r.left, r.top};
        PostMessageA(held->Handle(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(held->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    });
    POINT besideButton{};
    OnPreview(*held, [&] {
        const fw::Bounds b = held->tbText->GetBounds();
        besideButton = held->ToolBar->ClientToScreen({b.left + b.width, b.top});
        const POINT centre{b.left + b.width / 2, b.top + b.height / 2};
        SendMouse(*held->ToolBar, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        Pump(900);
        SendMouse(*held->ToolBar, WM_LBUTTONUP, 0, centre);
    });
    EXPECT_EQ(menu.seen, 1);
    EXPECT_EQ(menuAt.x, besideButton.x);
    EXPECT_EQ(menuAt.y, besideButton.y);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(held->Editor->TextFont() == before) << "a cancelled chooser changes nothing";
}

} // namespace
