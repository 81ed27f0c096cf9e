// The post-capture wizard on the virtual display: page flow, settings,
// clipboard hand-over and the plug-in list. The catalogue is served from this
// process as the program serves it, plug-ins are fakes registered with COM
// here, and each wizard runs its real modal loop, driven by steps that wait
// on a message-loop timer for the state they need.
#include "wizard/AfterScreenShotWindowUnit.h"
#include "WizardScript.h"
#include "pluginhost/CheckedPluginsUnit.h"
#include "common/PixwellInc.h"
#include "FakeCatalogue.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "wizard/WizardPageFlow.h"
#include "ui/Application.h"
#include "ui/Clipboard.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"
#include "imaging/Bitmap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace fw {
void PrintTo(const Bounds& b, std::ostream* out)
{
    *out << "{" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << "}";
}
} // namespace fw

namespace {

using wizard_test::Press;
using wizard_test::Script;
using namespace fake_catalogue;

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace wizard;

// ---- Registry and clipboard -----------------------------------------------------------

void WriteGeneral(const char* name, DWORD value)
{
    EXPECT_EQ(fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kGeneralKey).WriteDword(name, value),
              ERROR_SUCCESS);
}

DWORD ReadGeneral(const char* name)
{
    return fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kGeneralKey).ReadDword(name, 0xDEADu);
}

constexpr char kSentinel[] = "clipboard sentinel";

void PutTextOnClipboard(const char* text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::strcpy(static_cast<char*>(GlobalLock(memory)), text);
    GlobalUnlock(memory);
    EXPECT_TRUE(SetClipboardData(CF_TEXT, memory));
    CloseClipboard();
}

std::string TextOnClipboard()
{
    if (!OpenClipboard(nullptr))
        return "<clipboard busy>";
    std::string text = "<no text>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// A picture whose neighbouring pixels differ; palette pictures get a palette
// of their own.
img::Bitmap Pattern(int width, int height, img::PixelFormat format)
{
    img::Bitmap image(width, height, format);
    const bool indexed = img::HasPalette(format);
    if (indexed) {
        std::vector<img::Rgb> palette;
        for (int i = 0; i < 256; ++i)
            palette.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
        image.SetPalette(palette);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (indexed)
                image.SetIndex(x, y, (x * 3 + y * 5) % 256);
            else
                image.SetPixel(x, y, {uint8_t(x * 9), uint8_t(y * 13), uint8_t(x ^ y)});
        }
    }
    return image;
}

// ---- Driving the wizard ---------------------------------------------------------------

void ClickLink(fw::Window& link)
{
    SendMessageA(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(link.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// Back enabled, Next enabled, and the caption of the last button.
std::string Buttons(const TAfterScreenShotWindow& w)
{
    return std::string(w.Back->Enabled() ? "B" : "-") + (w.Next->Enabled() ? "N " : "- ") +
           w.Finalize->Caption();
}

class Wizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        DeleteFileA(CheckedPluginsPath().c_str());
        catalogue_ = fw::ClassObjectRegistration::Register(kPixwellObjectClass);
        PutTextOnClipboard(kSentinel);
    }
    void TearDown() override
    {
        EXPECT_THAT(errors.messages, IsEmpty()) << "unexpected messages to the user";
        catalogue_.Revoke();
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        DeleteFileA(CheckedPluginsPath().c_str());
    }
    // A wizard as the capture window makes one; help topics asked for are
    // recorded.
    fw::FormPtr<TAfterScreenShotWindow> NewWizard()
    {
        return fw::CreateForm<TAfterScreenShotWindow>(
            [this](const std::string& topic, HWND owner) { helpShown.emplace_back(topic, owner); });
    }
    // Messages shown so far, which are then expected and forgotten.
    std::vector<std::string> TakeMessages() { return std::exchange(errors.messages, {}); }

    fw::ComInit ole_{fw::ComInit::Kind::Ole};
    fw::ClassObjectRegistration catalogue_;
    ErrorCapture errors;
    std::vector<std::pair<std::string, HWND>> helpShown;
};

// ---- Page flow ---------------------------------------------------------------------------

TEST_F(Wizard, IsAFixedDialogWhoseLinksNeverCoverTheirTexts)
{
    auto w = NewWizard();
    EXPECT_EQ(w->GetBounds().left, 88);
    EXPECT_EQ(w->GetBounds().top, 187);
    EXPECT_EQ(w->ClientWidth(), 542);
    EXPECT_EQ(w->ClientHeight(), 306);
    const auto style = static_cast<DWORD>(GetWindowLongA(w->Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(w->KeyPreview());
    EXPECT_FALSE(w->DefaultButton() || w->CancelButton());
    EXPECT_EQ(w->Notebook->PageIndex(), wpReport);
    // The test program has no banner resource.
    EXPECT_TRUE(w->Image->Picture().Empty());
    const std::pair<fw::Window*, fw::Window*> lines[] = {{w->Label1.get(), w->Label6.get()},
                                                         {w->Label5.get(), w->Label9.get()},
                                                         {w->Label9.get(), w->Label10.get()},
                                                         {w->Label11.get(), w->Label8.get()}};
    for (const auto& [text, next] : lines) {
        EXPECT_EQ(next->Top(), text->Top());
        EXPECT_GT(next->Left(), text->Left() + text->Width()) << next->Text();
    }
    EXPECT_GE(w->Label6->Left(), 146);
}

TEST_F(Wizard, WalkWithNothingMarkedGoesFromChoosePageStraightToReport)
{
    InstalledPlugin a(kFakeClassA);
    auto w = NewWizard();
    std::vector<std::string> seen;
    Script script(*w);
    script.OnPage(wpPreview, [&] {
              seen.push_back(Buttons(*w));
              Press(*w->Button1);
              Press(*w->Next);
          })
        .OnPage(wpChoosePlugins, [&] {
            seen.push_back(Buttons(*w));
            Press(*w->Back);
            seen.push_back(std::to_string(w->Notebook->PageIndex()));
            Press(*w->Next);
            Press(*w->Next);
            seen.push_back(std::to_string(w->Notebook->PageIndex()));
            seen.push_back(Buttons(*w));
            Press(*w->Button1);
            Press(*w->Finalize);
        });
    EXPECT_EQ(w->ShowModal(), fw::mrCancel);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(seen, ElementsAre("-N Cancel", "BN Cancel", "0", "3", "-- Close"));
    EXPECT_EQ(w->CurrentPluginIndex, -1);
    EXPECT_EQ(TextOnClipboard(), kSentinel);
    // Outside the executing page, Help is the wizard's own topic.
    const std::pair<std::string, HWND> wizardTopic{"creating.html", w->Handle()};
    EXPECT_THAT(helpShown, ElementsAre(wizardTopic, wizardTopic));
}

TEST_F(Wizard, SkipLinkGoesToReportWithoutLookingForPlugins)
{
    InstalledPlugin a(kFakeClassA);
    WriteCheckedPlugins({fw::GUIDToString(kPluginA)});
    auto w = NewWizard();
    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Next); })
        .OnPage(wpChoosePlugins, [&] { ClickLink(*w->Label9); })
        .OnPage(wpReport, [&] { Press(*w->Finalize); });
    w->ShowModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(w->CurrentPluginIndex, -1);
}

// The fakes here name an options control that isn't registered: hosting
// fails with the system's text, and the page stays usable.
TEST_F(Wizard, PluginWhoseControlCantBeHostedKeepsTheExecutingPageWhereBackHelpAndCancelWork)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin b(kFakeClassB);
    WriteCheckedPlugins({fw::GUIDToString(kPluginB)});
    auto w = NewWizard();
    std::vector<std::string> onPage2;
    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Next); })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] {
            EXPECT_EQ(w->CurrentPluginIndex, 1);
            EXPECT_EQ(Buttons(*w), "BN Cancel");
            EXPECT_TRUE(w->PluginContainer->Empty());
            // Only a plug-in whose control is hosted becomes the current one.
            EXPECT_FALSE(w->CurrentPlugin());
            Press(*w->Button1);
            Press(*w->Next);
            EXPECT_EQ(w->Notebook->PageIndex(), wpExecutePlugins);
            onPage2 = TakeMessages();
            Press(*w->Back);
        })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Finalize); });
    EXPECT_EQ(w->ShowModal(), fw::mrCancel);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(onPage2, ElementsAre(kNotHostable, kNoOptionsHostedError));
    // Help there is the plug-in's own topic.
    EXPECT_THAT(helpShown, ElementsAre(std::make_pair(std::string("beta.html"), w->Handle())));
}

TEST_F(Wizard, QuickModeStartsOnTheExecutingPageAndBackStillLeadsToTheFirstPages)
{
    InstalledPlugin a(kFakeClassA);
    WriteCheckedPlugins({fw::GUIDToString(kPluginA)});
    WriteGeneral(pixwell::kQuickModeValue, 1);
    auto w = NewWizard();
    std::vector<int> pages;
    Script script(*w);
    script.OnPage(wpExecutePlugins, [&] {
        pages.push_back(w->CurrentPluginIndex);
        Press(*w->Back);
        pages.push_back(w->Notebook->PageIndex());
        Press(*w->Back);
        pages.push_back(w->Notebook->PageIndex());
        Press(*w->Finalize);
    });
    w->ShowModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(pages, ElementsAre(0, wpChoosePlugins, wpPreview));
    EXPECT_THAT(TakeMessages(), ElementsAre(kNotHostable));
}

TEST_F(Wizard, QuickModeWithNothingMarkedClosesAtOnceAndWritesTheBoxBack)
{
    InstalledPlugin a(kFakeClassA);
    WriteGeneral(pixwell::kQuickModeValue, 1);
    // On by its lowest byte: written back it becomes a plain 1.
    WriteGeneral(pixwell::kLeaveInClipboardValue, 0x0101);
    auto w = NewWizard();
    Script safetyNet(*w);
    EXPECT_EQ(w->ShowModal(), fw::mrCancel);
    EXPECT_EQ(w->Notebook->PageIndex(), wpReport);
    EXPECT_EQ(ReadGeneral(pixwell::kLeaveInClipboardValue), 1u);
    EXPECT_EQ(TextOnClipboard(), kSentinel);
}

// ---- Clipboard hand-over ---------------------------------------------------------------

TEST_F(Wizard, CancelBeforeTheReportLeavesTheClipboardAloneButStoresTheBox)
{
    InstalledPlugin a(kFakeClassA);
    WriteCheckedPlugins({fw::GUIDToString(kPluginA)});
    for (const int page : {wpPreview, wpChoosePlugins, wpExecutePlugins}) {
        WriteGeneral(pixwell::kLeaveInClipboardValue, 0);
        auto w = NewWizard();
        w->AssignImage(fw::DibBitmap(Pattern(40, 30, img::PixelFormat::pf24bit)));
        Script script(*w);
        for (int p = wpPreview; p < page; ++p)
            script.OnPage(p, [&] { Press(*w->Next); });
        script.OnPage(page, [&] {
            w->cbLeaveInClipboard->SetChecked(true);
            Press(*w->Finalize);
        });
        EXPECT_EQ(w->ShowModal(), fw::mrCancel) << page;
        EXPECT_TRUE(script.Finished()) << page;
        EXPECT_EQ(TextOnClipboard(), kSentinel) << page;
        EXPECT_EQ(ReadGeneral(pixwell::kLeaveInClipboardValue), 1u) << page;
    }
    EXPECT_THAT(TakeMessages(), ElementsAre(kNotHostable));
}

TEST_F(Wizard, CloseOnTheReportPutsTheImageOnTheClipboardWhenAsked)
{
    struct Case {
        img::PixelFormat format;
        bool leave;
    };
    for (const Case c : {Case{img::PixelFormat::pf24bit, true}, Case{img::PixelFormat::pf8bit, true},
                         Case{img::PixelFormat::pf24bit, false}}) {
        PutTextOnClipboard(kSentinel);
        WriteGeneral(pixwell::kLeaveInClipboardValue, c.leave);
        const img::Bitmap image = Pattern(67, 45, c.format);
        auto w = NewWizard();
        w->AssignImage(fw::DibBitmap(image));
        Script script(*w);
        script.OnPage(wpPreview, [&] { Press(*w->Next); })
            .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
            .OnPage(wpReport, [&] { Press(*w->Finalize); });
        w->ShowModal();
        ASSERT_TRUE(script.Finished());
        EXPECT_EQ(ReadGeneral(pixwell::kLeaveInClipboardValue), DWORD{c.leave});
        if (!c.leave) {
            EXPECT_EQ(TextOnClipboard(), kSentinel);
            continue;
        }
        const std::optional<img::Bitmap> pasted = fw::BitmapFromClipboard();
        ASSERT_TRUE(pasted);
        EXPECT_EQ(pasted->Width(), 67);
        EXPECT_EQ(pasted->Height(), 45);
        EXPECT_TRUE(*pasted == image) << "format " << static_cast<int>(c.format);
        EXPECT_EQ(fw::PaletteFromClipboard(), image.Palette());
    }
}

// A capture released where it was pressed gives a picture of no pixels: the
// user's clipboard is left as it is rather than emptied for a 0 x 0 bitmap.
TEST_F(Wizard, CloseOnTheReportWithAnEmptyPictureLeavesTheClipboardAlone)
{
    WriteGeneral(pixwell::kLeaveInClipboardValue, 1);
    for (const bool assigned : {true, false}) {
        auto w = NewWizard();
        if (assigned) {
            fw::DibBitmap nothing(Pattern(40, 30, img::PixelFormat::pf24bit));
            nothing.Resize(0, 0);
            w->AssignImage(std::move(nothing));
        }
        Script script(*w);
        script.OnPage(wpPreview, [&] { Press(*w->Next); })
            .OnPage(wpChoosePlugins, [&] { ClickLink(*w->Label9); })
            .OnPage(wpReport, [&] {
                EXPECT_TRUE(w->cbLeaveInClipboard->Checked());
                Press(*w->Finalize);
            });
        w->ShowModal();
        EXPECT_TRUE(script.Finished()) << assigned;
        EXPECT_EQ(TextOnClipboard(), kSentinel) << assigned;
        EXPECT_EQ(ReadGeneral(pixwell::kLeaveInClipboardValue), 1u) << assigned;
    }
}

// ---- Creation: settings and the plug-in list -------------------------------------------

TEST_F(Wizard, SettingsAreReadAtCreationWithDefaultsForANewUser)
{
    auto fresh = NewWizard();
    EXPECT_FALSE(fresh->QuickModeFlag);
    EXPECT_EQ(fresh->HistoryLimit, 10);
    EXPECT_FALSE(fresh->cbLeaveInClipboard->Checked());
    EXPECT_TRUE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kGeneralKey));

    WriteGeneral(pixwell::kQuickModeValue, 255);
    WriteGeneral(pixwell::kMaxHistoryStepsValue, static_cast<DWORD>(-3));
    WriteGeneral(pixwell::kLeaveInClipboardValue, 1);
    auto stored = NewWizard();
    EXPECT_TRUE(stored->QuickModeFlag);
    EXPECT_EQ(stored->HistoryLimit, -3);
    EXPECT_TRUE(stored->cbLeaveInClipboard->Checked());
}

TEST_F(Wizard, ListShowsThePluginsTheCatalogueCanMakeMarkedByTheDefaultList)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin::AddKey(kPluginMiddle); // its class is gone: left out silently
    InstalledPlugin b(kFakeClassB);
    // Letter case doesn't matter; blanks around an identifier do.
    std::string lowerA = fw::GUIDToString(kPluginA);
    for (char& ch : lowerA)
        ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    WriteCheckedPlugins({lowerA, " " + fw::GUIDToString(kPluginB)});
    auto w = NewWizard();
    const fw::ListView& list = *w->ActionsView;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Caption(0) + "/" + list.SubItem(0), "Alpha saver/Keeps the image");
    EXPECT_EQ(list.Caption(1) + "/" + list.SubItem(1), "Beta mailer/Sends the image");
    EXPECT_TRUE(list.Checked(0));
    EXPECT_FALSE(list.Checked(1));
    const auto* info = list.DataAs<TPluginInfo>(1);
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(IsEqualGUID(info->PluginClsid, kPluginB));
    EXPECT_TRUE(IsEqualGUID(info->OptionsClsid, kFakeOptions));
    EXPECT_EQ(info->HelpTopic, "beta.html");
    EXPECT_EQ(w->HistoryLimit, 10); // the settings were read after the list
}

TEST_F(Wizard, BadPluginAnswerStopsTheListAndTheSettingsButTheWizardOpens)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin broken(kFakeClassBroken);
    InstalledPlugin b(kFakeClassB);
    WriteGeneral(pixwell::kMaxHistoryStepsValue, 5);
    WriteGeneral(pixwell::kLeaveInClipboardValue, 1);
    auto w = NewWizard();
    EXPECT_THAT(TakeMessages(), ElementsAre(HasSubstr("no control")));
    // Rows before the bad one stay, each with its record.
    ASSERT_EQ(w->ActionsView->Count(), 1);
    EXPECT_EQ(w->ActionsView->Caption(0), "Alpha saver");
    EXPECT_NE(w->ActionsView->Data(0), nullptr);
    EXPECT_EQ(w->HistoryLimit, 0);
    EXPECT_FALSE(w->cbLeaveInClipboard->Checked());

    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Finalize); });
    EXPECT_EQ(w->ShowModal(), fw::mrCancel);
    EXPECT_TRUE(script.Finished());
}

// Stands in for a catalogue that can't be made, here and in a test prefix
// where the program has registered itself as the catalogue's server.
HRESULT NoCatalogue(REFIID, void** object)
{
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
const fw::ComClassEntry kNoCatalogueClass{&CLSID_PixwellObject, "PixwellObject", "No catalogue",
                                          &NoCatalogue};

TEST_F(Wizard, MissingCatalogueIsReportedAndTheWizardStillOpens)
{
    catalogue_.Revoke();
    catalogue_ = fw::ClassObjectRegistration::Register(kNoCatalogueClass);
    WriteGeneral(pixwell::kMaxHistoryStepsValue, 5);
    auto w = NewWizard();
    EXPECT_THAT(TakeMessages(), ElementsAre(::testing::Not(IsEmpty())));
    EXPECT_EQ(w->ActionsView->Count(), 0);
    EXPECT_EQ(w->HistoryLimit, 0);
    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Next); })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpReport, [&] { Press(*w->Finalize); });
    w->ShowModal();
    EXPECT_TRUE(script.Finished());
}

// ---- Error texts -------------------------------------------------------------------------

// A plug-in whose GetPluginInfo fails and, sloppily, leaves no error text.
class TMuteFailingPlugin final : public TestPluginBase {
public:
    static HRESULT Create(REFIID iid, void** object) { return Hand(new TMuteFailingPlugin, iid, object); }
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR*, BSTR*, BSTR*, BSTR*, HRESULT*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown*, LONG, HRESULT*) override { return E_NOTIMPL; }
};

// A catalogue that leaves error texts on the thread: one with a failing list
// (whose status the host does not look at), one with a plug-in it did make.
class TLeakyCatalogue final : public IPixwellObject {
public:
    static inline std::string list;
    static inline const char* listErrorText = nullptr; // set: GetPluginList fails with it
    static inline const char* madeErrorText = nullptr; // set: GetPlugin succeeds but leaves it

    static HRESULT Create(REFIID iid, void** object)
    {
        auto* catalogue = new TLeakyCatalogue;
        const HRESULT hr = catalogue->QueryInterface(iid, object);
        catalogue->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPixwellObject)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IPixwellObject*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = --refs_;
        if (refs == 0)
            delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE GetPluginList(BSTR* PluginList) override
    {
        fw::SetOutBStr(PluginList, list);
        return listErrorText ? fw::SetComError(listErrorText, E_FAIL) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddPlugin(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemovePlugin(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPlugin(BSTR, IPixwellPlugin** PluginInstance) override
    {
        const HRESULT hr = TMuteFailingPlugin::Create(IID_IPixwellPlugin, reinterpret_cast<void**>(PluginInstance));
        if (madeErrorText)
            fw::SetComError(madeErrorText, E_FAIL);
        return hr;
    }

private:
    virtual ~TLeakyCatalogue() = default;
    ULONG refs_ = 1;
};
const fw::ComClassEntry kLeakyCatalogueClass{&CLSID_PixwellObject, "PixwellObject", "Leaky catalogue",
                                             &TLeakyCatalogue::Create};

class WizardErrorTexts : public Wizard {
protected:
    void SetUp() override
    {
        Wizard::SetUp();
        catalogue_.Revoke();
        catalogue_ = fw::ClassObjectRegistration::Register(kLeakyCatalogueClass);
        TLeakyCatalogue::list.clear();
        TLeakyCatalogue::listErrorText = nullptr;
        TLeakyCatalogue::madeErrorText = nullptr;
    }
};

constexpr char kStaleText[] = "Stale text of an earlier call";

// The list's status is not looked at, so its error text must not stay on the
// thread, where the next failure without a text of its own would show it.
TEST_F(WizardErrorTexts, AFailedPluginListLeavesNoErrorTextBehind)
{
    TLeakyCatalogue::listErrorText = kStaleText;
    auto w = NewWizard();
    EXPECT_EQ(w->ActionsView->Count(), 0);
    EXPECT_EQ(fw::TakeErrorInfoDescription(), "");
}

TEST_F(WizardErrorTexts, AFailingPluginShowsItsOwnErrorNeverAnEarlierText)
{
    TLeakyCatalogue::list = fw::GUIDToString(kPluginA);
    for (const bool listFails : {true, false}) {
        SCOPED_TRACE(listFails ? "left by GetPluginList" : "left by GetPlugin");
        TLeakyCatalogue::listErrorText = listFails ? kStaleText : nullptr;
        TLeakyCatalogue::madeErrorText = listFails ? nullptr : kStaleText;
        auto w = NewWizard();
        // GetPluginInfo failed without a text: the system's for its status.
        EXPECT_THAT(TakeMessages(), ElementsAre(fw::SystemMessage(static_cast<DWORD>(E_UNEXPECTED))));
        EXPECT_EQ(w->ActionsView->Count(), 0);
    }
}

TEST_F(Wizard, NextCheckedPluginFindsTheFollowingMarkedRow)
{
    auto w = NewWizard();
    fw::ListView& list = *w->ActionsView;
    EXPECT_EQ(w->NextCheckedPlugin(-1), -1);
    for (const char* name : {"zero", "one", "two", "three", "four"})
        list.AddItem(name, {}, std::make_shared<TPluginInfo>());
    EXPECT_EQ(w->NextCheckedPlugin(-1), -1);
    list.SetChecked(1, true);
    list.SetChecked(3, true);
    EXPECT_EQ(w->NextCheckedPlugin(-1), 1);
    EXPECT_EQ(w->NextCheckedPlugin(0), 1);
    EXPECT_EQ(w->NextCheckedPlugin(1), 3);
    EXPECT_EQ(w->NextCheckedPlugin(3), -1);

    // A row that goes can't stay the current one.
    w->CurrentPluginIndex = 3;
    list.DeleteItem(1);
    EXPECT_EQ(w->CurrentPluginIndex, 2);
    list.Clear();
    EXPECT_EQ(w->CurrentPluginIndex, -1);
}

// ---- Preview and help -------------------------------------------------------------------

TEST_F(Wizard, PictureIsCentredAlongTheAxesItIsSmallerOnEveryActivation)
{
    auto w = NewWizard();
    // Narrower than the view (359 x 232), odd width, and taller.
    w->AssignImage(fw::DibBitmap(Pattern(101, 600, img::PixelFormat::pf24bit)));
    int activations = 0;
    const auto formActivate = w->OnActivate;
    w->OnActivate = [&](bool active) {
        formActivate(active);
        activations += active;
    };
    fw::Bounds first, again;
    int before = 0;
    Script script(*w);
    script.OnPage(wpPreview, [&] {
              first = w->ScreenShot->GetBounds();
              // Panned, then hidden and shown again as around a plug-in run.
              w->ScreenShot->SetBounds({0, -40, 101, 600});
              before = activations;
              w->Hide();
              w->Show();
          })
        .When([&] { return activations > before; },
              [&] {
                  again = w->ScreenShot->GetBounds();
                  Press(*w->Finalize);
              });
    w->ShowModal();
    EXPECT_TRUE(script.Finished());
    // Halves rounded toward zero: 359/2 - 101/2.
    EXPECT_EQ(first, (fw::Bounds{179 - 50, 0, 101, 600}));
    EXPECT_EQ(again, (fw::Bounds{179 - 50, -40, 101, 600}));
}

TEST_F(Wizard, HelpGoesToTheProgramsHelpDisplayByDefault)
{
    // Outside the program there is none, which the display reports.
    auto w = fw::CreateForm<TAfterScreenShotWindow>();
    SendMessageA(w->Button1->Handle(), BM_CLICK, 0, 0);
    EXPECT_THAT(TakeMessages(), ElementsAre("Help is not available."));
}

} // namespace
