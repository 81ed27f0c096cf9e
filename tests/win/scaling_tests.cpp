// The program's windows on a display at 150 % (144 DPI): this program runs in
// a Wine prefix of its own whose LogPixels is 144. Each form is compared with
// a twin of itself that is kept at its 96-DPI design: every control must sit
// at 1.5 times its designed place and size, and every text must fit.
#include "wizard/AfterScreenShotWindowUnit.h"
#include "settings/AboutUnit.h"
#include "settings/PixwellOptionsUnit.h"
#include "stowick/JPEGSettingsUnit.h"
#include "FakeCatalogue.h"
#include "ScalingChecks.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "common/PixwellInc.h"
#include "ui/Dpi.h"
#include "ui/ToolBar.h"
#include "ui/TrackBar.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace fake_catalogue;
using ::testing::IsEmpty;
using namespace scaling_checks;


// A twin of a form that stays at the design's 96 DPI.
template <class T, class... Args>
fw::FormPtr<T> DesignTwin(Args&&... args)
{
    fw::FormPtr<T> form(new T(std::forward<Args>(args)...));
    form->SetScaled(false);
    form->DoCreate();
    return form;
}

class Scaling : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(fw::WindowDpi(GetDesktopWindow()), kDpi) << "the display is not at 150 %";
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        catalogue_ = fw::ClassObjectRegistration::Register(kPixwellObjectClass);
    }
    void TearDown() override
    {
        EXPECT_THAT(errors.messages, IsEmpty()) << "unexpected messages to the user";
        catalogue_.Revoke();
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
    }

    fw::ComInit ole_{fw::ComInit::Kind::Ole};
    fw::ClassObjectRegistration catalogue_;
    ErrorCapture errors;
};

TEST_F(Scaling, TheWizardGrowsByHalfWithItsTextsGlyphsAndBannerButNotThePicture)
{
    const auto design = DesignTwin<TAfterScreenShotWindow>();
    const auto w = fw::CreateForm<TAfterScreenShotWindow>();
    EXPECT_EQ(design->ClientWidth(), 542);
    EXPECT_EQ(design->ClientHeight(), 306);
    EXPECT_EQ(w->PixelsPerInch(), kDpi);
    EXPECT_EQ(w->ClientWidth(), 813);
    EXPECT_EQ(w->ClientHeight(), 459);
    ExpectProportional(Layout(*design), *w, 3, 2);
    ExpectTextsFit(*w);
    EXPECT_EQ(w->Font().height, fw::ScaleToDpi(design->Font().height, kDpi));

    // Links still follow their texts in the larger font.
    const std::pair<fw::Window*, fw::Window*> lines[] = {{w->Label1.get(), w->Label6.get()},
                                                         {w->Label5.get(), w->Label9.get()},
                                                         {w->Label9.get(), w->Label10.get()},
                                                         {w->Label11.get(), w->Label8.get()}};
    for (const auto& [text, next] : lines)
        EXPECT_GE(next->Left(), text->Left() + text->Width()) << next->Text();

    // The tool bar's glyphs are drawn at 24 pixels, in buttons that hold
    // them, one below the other inside the bar.
    ASSERT_NE(w->ToolBar->Images(), nullptr);
    EXPECT_EQ(w->ToolBar->Images()->Width(), 24);
    EXPECT_EQ(w->ToolBar->Images()->Height(), 24);
    EXPECT_EQ(w->ToolBar->Images()->Count(), design->ToolBar->Images()->Count());
    int below = 0;
    for (int i = 0; i < w->ToolBar->ButtonCount(); ++i) {
        const fw::Bounds b = w->ToolBar->Button(i).GetBounds();
        EXPECT_GE(b.width, 24 + 6) << "button " << i;
        EXPECT_GE(b.height, 24 + 6) << "button " << i;
        EXPECT_LE(b.left + b.width, w->ToolBar->ClientWidth()) << "button " << i;
        EXPECT_GE(b.top, below) << "button " << i;
        below = b.top + b.height;
    }
    EXPECT_LE(below, w->ToolBar->ClientHeight());
    EXPECT_TRUE(w->Image->Stretch()) << "the banner does not fill its larger box";

    // The screenshot stays one image pixel per screen pixel.
    w->AssignImage(fw::DibBitmap(120, 80, img::PixelFormat::pf24bit));
    EXPECT_EQ(w->ScreenShot->Width(), 120);
    EXPECT_EQ(w->ScreenShot->Height(), 80);
}

TEST_F(Scaling, AMoveToAMonitorOfAnotherDpiScalesAgainAndComesBack)
{
    const auto w = fw::CreateForm<TAfterScreenShotWindow>();
    const int fontHeight = w->Font().height;
    const fw::Bounds label = w->Label1->GetBounds(), next = w->Next->GetBounds();
    RECT suggested{300, 200, 300 + 1100, 200 + 650};
    SendMessageA(w->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w->PixelsPerInch(), 192);
    EXPECT_EQ(w->ClientWidth(), 1084);
    EXPECT_EQ(w->ClientHeight(), 612);
    EXPECT_EQ(w->GetBounds().left, 300);
    EXPECT_EQ(w->GetBounds().top, 200);
    EXPECT_NEAR(w->Font().height, fontHeight * 4 / 3, 1);
    EXPECT_NEAR(w->Next->Left(), next.left * 4 / 3, 1);
    ExpectTextsFit(*w, 192);
    EXPECT_EQ(w->ToolBar->Images()->Width(), 32);
    EXPECT_GT(w->Label6->Left(), w->Label1->Left() + w->Label1->Width()) << "the link covers its text";

    suggested = RECT{100, 100, 100 + 830, 100 + 490};
    SendMessageA(w->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w->ClientWidth(), 813);
    EXPECT_EQ(w->ClientHeight(), 459);
    EXPECT_EQ(w->Font().height, fontHeight);
    EXPECT_NEAR(w->Next->Left(), next.left, 1);
    EXPECT_NEAR(w->Next->Width(), next.width, 1);
    EXPECT_NEAR(w->Label1->Top(), label.top, 1);
    EXPECT_EQ(w->ToolBar->Images()->Width(), 24);
    ExpectTextsFit(*w);
}

// A form made as the program makes it, beside its design twin: half as big
// again, every control in proportion, every text fitting, its 8-point font
// (written for 96 DPI) scaled once.
template <class T>
std::pair<fw::FormPtr<T>, fw::FormPtr<T>> ExpectGrownByHalf()
{
    auto design = DesignTwin<T>();
    auto scaled = fw::CreateForm<T>();
    EXPECT_EQ(scaled->ClientWidth(), fw::ScaleToDpi(design->ClientWidth(), kDpi));
    EXPECT_EQ(scaled->ClientHeight(), fw::ScaleToDpi(design->ClientHeight(), kDpi));
    ExpectProportional(Layout(*design), *scaled, 3, 2);
    ExpectTextsFit(*scaled);
    EXPECT_EQ(scaled->Font().height, fw::ScaleToDpi(-11, kDpi));
    return {std::move(design), std::move(scaled)};
}

TEST_F(Scaling, TheSettingsDialogAboutBoxAndJpegDialogGrowByHalf)
{
    ExpectGrownByHalf<TPixwellOptions>();
    ExpectGrownByHalf<TAboutWindow>();
    const auto [design, jpeg] = ExpectGrownByHalf<TJPEGSettings>();
    const auto thumb = [](fw::TrackBar& bar) {
        return static_cast<int>(SendMessageA(bar.Handle(), TBM_GETTHUMBLENGTH, 0, 0));
    };
    EXPECT_EQ(thumb(*jpeg->Compression), fw::ScaleToDpi(thumb(*design->Compression), kDpi));
}

} // namespace
