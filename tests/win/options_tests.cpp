// The settings dialog on the virtual display: its layout, the plug-in list
// filled from the catalogue (served from this process as the program serves
// it, with fake plug-ins), the stored values read into the controls, and
// what OK, Cancel, Escape and the close box write. Each dialog runs its real
// modal loop, driven by steps on a message-loop timer; message boxes are the
// system's, answered from there.
#include "settings/PixwellOptionsUnit.h"
#include "FakeCatalogue.h"
#include "FormScript.h"
#include "common/PixwellInc.h"
#include "pluginhost/CheckedPluginsUnit.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "pluginhost/PluginInfo.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"
#include "ui/Application.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace fake_catalogue;
using form_test::FormScript;
using form_test::MessageBoxText;
using form_test::Press;
using form_test::ThreadDialog;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr DWORD kUnset = 0xDEADu;

// ---- Registry and file --------------------------------------------------------------------

void WriteGeneral(const char* name, DWORD value)
{
    EXPECT_EQ(fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kGeneralKey).WriteDword(name, value),
              ERROR_SUCCESS);
}

DWORD ReadGeneral(const char* name)
{
    return fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kGeneralKey).ReadDword(name, kUnset);
}

std::optional<std::string> AutoRunValue()
{
    const fw::RegKey run = fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kAutoRunKey);
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    DWORD type = 0;
    if (!run || RegQueryValueExA(run.Get(), pixwell::kAutoRunValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return std::string(value);
}

void SetAutoRun(const std::string& path)
{
    const fw::RegKey run = fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kAutoRunKey);
    EXPECT_EQ(run.WriteString(pixwell::kAutoRunValue, path), ERROR_SUCCESS);
}

void ClearAutoRun()
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kAutoRunKey).DeleteValue(pixwell::kAutoRunValue);
}

// The default-plug-ins file's bytes; nothing when there is no file.
std::optional<std::string> CheckedFile()
{
    std::ifstream in(CheckedPluginsPath(), std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteCheckedFile(const std::string& bytes)
{
    std::ofstream(CheckedPluginsPath(), std::ios::binary) << bytes;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Id(const CLSID& clsid)
{
    return fw::GUIDToString(clsid);
}

// Everything the dialog may write.
struct Stored {
    DWORD quickMode = kUnset;
    DWORD maxHistorySteps = kUnset;
    std::optional<std::string> autoRun;
    std::optional<std::string> checkedFile;
    bool operator==(const Stored&) const = default;
};

Stored Now()
{
    return {ReadGeneral(pixwell::kQuickModeValue), ReadGeneral(pixwell::kMaxHistoryStepsValue), AutoRunValue(),
            CheckedFile()};
}

// The system's registry, with the general key refusing every write, or the
// autorun key missing.
enum class Broken { generalKeyReadOnly, autoRunKeyMissing };
TSettingsEnvironment BrokenSettings(Broken broken)
{
    TSettingsEnvironment env = TSettingsEnvironment::System();
    const auto open = [broken](const char* path, bool create) {
        const std::string key = path;
        if (broken == Broken::autoRunKeyMissing && key == pixwell::kAutoRunKey)
            return fw::RegKey();
        if (broken == Broken::generalKeyReadOnly && key == pixwell::kGeneralKey) {
            HKEY handle = nullptr;
            RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_READ, nullptr, &handle, nullptr);
            return fw::RegKey(handle);
        }
        return create ? fw::RegKey::TryCreate(HKEY_CURRENT_USER, path) : fw::RegKey::TryOpen(HKEY_CURRENT_USER, path);
    };
    env.openKey = [open](const char* path) { return open(path, false); };
    env.createKey = [open](const char* path) { return open(path, true); };
    return env;
}

// The tab stops of a window's children in tab order.
std::vector<HWND> TabStops(HWND parent)
{
    std::vector<HWND> result;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP)
            result.push_back(h);
    return result;
}

void Type(fw::Window& edit, const std::string& keys)
{
    for (const char c : keys)
        SendMessageA(edit.Handle(), WM_CHAR, static_cast<unsigned char>(c), 1);
}

// ---- The dialog ------------------------------------------------------------------------------------

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::App().SetTitle("Vistrel");
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        DeleteFileA(CheckedPluginsPath().c_str());
        ClearAutoRun(); // the autorun key exists, the value doesn't
        catalogue_ = fw::ClassObjectRegistration::Register(kPixwellObjectClass);
    }
    void TearDown() override
    {
        EXPECT_THAT(errors.messages, IsEmpty()) << "unexpected messages to the user";
        catalogue_.Revoke();
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        DeleteFileA(CheckedPluginsPath().c_str());
        ClearAutoRun();
    }
    // A dialog as the tray menu makes one; help topics asked for are recorded.
    fw::FormPtr<TPixwellOptions> NewDialog(TOptionsEnvironment env = {})
    {
        env.showHelp = [this](const std::string& topic, HWND owner) { helpShown.emplace_back(topic, owner); };
        return fw::CreateForm<TPixwellOptions>(nullptr, std::move(env));
    }
    // Messages shown so far, which are then expected and forgotten.
    std::vector<std::string> TakeMessages() { return std::exchange(errors.messages, {}); }

    fw::ComInit ole_{fw::ComInit::Kind::Ole};
    fw::ClassObjectRegistration catalogue_;
    ErrorCapture errors;
    std::vector<std::pair<std::string, HWND>> helpShown;
};

TEST_F(OptionsDialog, KeysReachTheControlsInTabOrderAndItOpensCentred)
{
    auto d = NewDialog();
    EXPECT_THAT(TabStops(d->Handle()),
                ElementsAre(d->Button2->Handle(), d->Button1->Handle(), d->cbStartWithWindows->Handle(),
                            d->cbQuickMode->Handle(), d->ActionsView->Handle(), d->seBufferSteps->Handle(),
                            d->Button3->Handle()));
    // Both labels end before what follows them on their line.
    EXPECT_LT(d->Label2->Left() + d->Label2->Width(), d->seBufferSteps->Left());
    EXPECT_LT(d->Label1->Top() + d->Label1->Height(), d->ActionsView->Top());

    FormScript script(*d);
    fw::Bounds shown;
    script.Then([&] {
        shown = d->GetBounds();
        Press(*d->Button2);
    });
    d->ShowModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(shown.left, (GetSystemMetrics(SM_CXSCREEN) - shown.width) / 2);
    EXPECT_EQ(shown.top, (GetSystemMetrics(SM_CYSCREEN) - shown.height) / 2);
}

TEST_F(OptionsDialog, ListShowsThePluginsTheCatalogueCanMakeCheckedByTheFile)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin::AddKey(kPluginMiddle); // registered, but its class is gone
    InstalledPlugin b(kFakeClassB);
    // Letter case doesn't matter; blanks around an identifier do.
    WriteCheckedPlugins({Lower(Id(kPluginB)), " " + Id(kPluginA)});
    auto d = NewDialog();
    const fw::ListView& list = *d->ActionsView;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Caption(0) + "/" + list.SubItem(0), "Alpha saver/Keeps the image");
    EXPECT_EQ(list.Caption(1) + "/" + list.SubItem(1), "Beta mailer/Sends the image");
    EXPECT_FALSE(list.Checked(0));
    EXPECT_TRUE(list.Checked(1));
    for (int i = 0; i < 2; ++i) {
        const auto* info = list.DataAs<TPluginInfo>(i);
        ASSERT_NE(info, nullptr) << i;
        EXPECT_TRUE(IsEqualGUID(info->PluginClsid, i == 0 ? kPluginA : kPluginB));
        EXPECT_TRUE(IsEqualGUID(info->OptionsClsid, kFakeOptions));
        EXPECT_EQ(info->HelpTopic, "") << "the dialog keeps no help topic";
    }
    // The settings were read after the list.
    EXPECT_EQ(d->seBufferSteps->Value(), 10);

    // Each row's record goes with its row.
    std::vector<void*> released;
    d->ActionsView->OnDeletion = [&](int, void* data) { released.push_back(data); };
    std::vector<void*> records{list.Data(0), list.Data(1)};
    d.reset();
    EXPECT_THAT(released, ::testing::UnorderedElementsAreArray(records));
}

TEST_F(OptionsDialog, APluginThatCantBeCreatedIsAbsentAndDroppedFromTheFileAtTheNextOk)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin::AddKey(kPluginMiddle);
    WriteCheckedPlugins({Id(kPluginA), Id(kPluginMiddle)});
    auto d = NewDialog();
    ASSERT_EQ(d->ActionsView->Count(), 1);
    EXPECT_TRUE(d->ActionsView->Checked(0));
    FormScript script(*d);
    script.Then([&] { Press(*d->Button1); });
    EXPECT_EQ(d->ShowModal(), fw::mrOk);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(CheckedFile(), Id(kPluginA) + "\r\n");
}

TEST_F(OptionsDialog, OkSavesEverySettingInItsPlace)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin b(kFakeClassB);
    auto d = NewDialog();
    FormScript script(*d);
    script.Then([&] {
        d->cbStartWithWindows->SetChecked(true);
        d->cbQuickMode->SetChecked(true);
        d->ActionsView->SetChecked(0, true);
        d->ActionsView->SetChecked(1, true);
        d->seBufferSteps->SetText("-25"); // any integer, negative ones too
        // Up and down by one, as the arrow keys and the buttons step.
        SendMessageA(d->seBufferSteps->Handle(), WM_KEYDOWN, VK_UP, 1);
        SendMessageA(d->seBufferSteps->Handle(), WM_KEYDOWN, VK_UP, 1);
        SendMessageA(d->seBufferSteps->Handle(), WM_KEYDOWN, VK_DOWN, 1);
        Press(*d->Button1);
    });
    EXPECT_EQ(d->ShowModal(), fw::mrOk);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(ReadGeneral(pixwell::kQuickModeValue), 1u);
    EXPECT_EQ(static_cast<int32_t>(ReadGeneral(pixwell::kMaxHistoryStepsValue)), -24);
    // The program's own path, as the system reports it, without quotes.
    EXPECT_EQ(AutoRunValue(), fw::ModuleFileName());
    // The checked rows in row order, each line ended by CR LF.
    EXPECT_EQ(CheckedFile(), Id(kPluginA) + "\r\n" + Id(kPluginB) + "\r\n");

    // The next dialog shows what was saved (the autorun value counts by its
    // presence alone); Enter is OK, and unchecking the start with Windows
    // removes the value.
    SetAutoRun("anything");
    auto next = NewDialog();
    EXPECT_TRUE(next->cbStartWithWindows->Checked());
    EXPECT_TRUE(next->cbQuickMode->Checked());
    EXPECT_EQ(next->seBufferSteps->Value(), -24);
    EXPECT_TRUE(next->ActionsView->Checked(0) && next->ActionsView->Checked(1));
    FormScript again(*next);
    again.Then([&] {
        next->cbStartWithWindows->SetChecked(false);
        next->cbQuickMode->SetChecked(false);
        next->ActionsView->SetChecked(0, false);
        next->seBufferSteps->SetFocus();
        PostMessageA(next->seBufferSteps->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    });
    EXPECT_EQ(next->ShowModal(), fw::mrOk);
    EXPECT_TRUE(again.Finished());
    EXPECT_EQ(AutoRunValue(), std::nullopt);
    EXPECT_EQ(ReadGeneral(pixwell::kQuickModeValue), 0u);
    EXPECT_EQ(CheckedFile(), Id(kPluginB) + "\r\n");
}

TEST_F(OptionsDialog, QuickModeWithNothingCheckedKeepsTheDialogOpenAndWritesNothing)
{
    InstalledPlugin a(kFakeClassA);
    WriteGeneral(pixwell::kMaxHistoryStepsValue, 7);
    WriteCheckedFile("{00000000-0000-0000-0000-000000000000}\r\n");
    const Stored before = Now();
    auto d = NewDialog();
    std::string text, caption;
    UINT icon = 0;
    bool openAfter = false;
    FormScript script(*d);
    script.Then([&] {
              d->cbQuickMode->SetChecked(true);
              d->seBufferSteps->SetText("3");
              d->cbStartWithWindows->SetChecked(true);
              // Posted: the message box runs its own loop, in which the
              // next step answers it.
              PostMessageA(d->Button1->Handle(), BM_CLICK, 0, 0);
          })
        .When([] { return ThreadDialog() != nullptr; },
              [&] {
                  HWND box = ThreadDialog();
                  text = MessageBoxText(box);
                  char buffer[64] = {};
                  GetWindowTextA(box, buffer, sizeof buffer);
                  caption = buffer;
                  // The error icon is a static control showing an icon.
                  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                      if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                          icon = 1;
                  EXPECT_EQ(GetWindow(box, GW_OWNER), d->Handle());
                  PostMessageA(box, WM_COMMAND, IDOK, 0);
              })
        .When([] { return ThreadDialog() == nullptr; },
              [&] {
                  openAfter = d->Visible();
                  EXPECT_EQ(Now(), before) << "written although refused";
                  Press(*d->Button2);
              });
    EXPECT_EQ(d->ShowModal(), fw::mrCancel);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(text, "For QuickMode you will check some plugins for automatic activation.");
    EXPECT_EQ(caption, "Vistrel");
    EXPECT_EQ(icon, 1u);
    EXPECT_TRUE(openAfter);
    EXPECT_EQ(Now(), before);
}

TEST_F(OptionsDialog, QuickModeOffAndNothingCheckedWritesAnEmptyFile)
{
    InstalledPlugin a(kFakeClassA);
    WriteCheckedPlugins({Id(kPluginA)});
    auto d = NewDialog();
    ASSERT_TRUE(d->ActionsView->Checked(0));
    FormScript script(*d);
    script.Then([&] {
        d->ActionsView->SetChecked(0, false);
        Press(*d->Button1);
    });
    EXPECT_EQ(d->ShowModal(), fw::mrOk);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(CheckedFile(), std::string()) << "an empty file, not a missing one";
    EXPECT_EQ(ReadGeneral(pixwell::kQuickModeValue), 0u);
    EXPECT_EQ(ReadGeneral(pixwell::kMaxHistoryStepsValue), 10u);
}

TEST_F(OptionsDialog, CancelEscapeAndTheCloseBoxLeaveEverythingAsItWas)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin b(kFakeClassB);
    WriteGeneral(pixwell::kQuickModeValue, 0);
    WriteGeneral(pixwell::kMaxHistoryStepsValue, 12);
    WriteCheckedPlugins({Id(kPluginB)});
    SetAutoRun("C:\\Old Place\\vistrel.exe");
    const Stored before = Now();
    enum Way { cancel, escape, closeBox };
    for (const Way way : {cancel, escape, closeBox}) {
        auto d = NewDialog();
        FormScript script(*d);
        script.Then([&] {
            d->cbStartWithWindows->SetChecked(false);
            d->cbQuickMode->SetChecked(true);
            d->ActionsView->SetChecked(0, true);
            d->ActionsView->SetChecked(1, false);
            d->seBufferSteps->SetText("99");
            switch (way) {
            case cancel: Press(*d->Button2); break;
            case escape:
                d->ActionsView->SetFocus();
                PostMessageA(d->ActionsView->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
                break;
            case closeBox: PostMessageA(d->Handle(), WM_CLOSE, 0, 0); break;
            }
        });
        EXPECT_EQ(d->ShowModal(), fw::mrCancel) << way;
        EXPECT_TRUE(script.Finished()) << way;
        EXPECT_EQ(Now(), before) << way;
    }
}

TEST_F(OptionsDialog, TypedLettersAreRefusedAndALoneMinusIsStoredAsZero)
{
    auto d = NewDialog();
    std::string typed;
    FormScript script(*d);
    script.Then([&] {
        d->seBufferSteps->SetFocus();
        d->seBufferSteps->SelectAll();
        Type(*d->seBufferSteps, "a-Zq");
        typed = d->seBufferSteps->Text();
        Press(*d->Button1);
    });
    EXPECT_EQ(d->ShowModal(), fw::mrOk);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(typed, "-");
    EXPECT_EQ(ReadGeneral(pixwell::kMaxHistoryStepsValue), 0u);
}

TEST_F(OptionsDialog, HelpShowsTheSettingsTopic)
{
    auto d = NewDialog();
    SendMessageA(d->Button3->Handle(), BM_CLICK, 0, 0);
    EXPECT_THAT(helpShown, ElementsAre(std::make_pair(std::string("configuring.html"), d->Handle())));
    EXPECT_TRUE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kGeneralKey));
    EXPECT_EQ(ReadGeneral(pixwell::kQuickModeValue), kUnset) << "Help writes nothing";
}

// ---- Failures ---------------------------------------------------------------------------------------

TEST_F(OptionsDialog, AnErrorWhileFillingEndsCreationWithTheRowsAddedSoFar)
{
    InstalledPlugin a(kFakeClassA);
    InstalledPlugin broken(kFakeClassBroken);
    InstalledPlugin b(kFakeClassB);
    WriteGeneral(pixwell::kQuickModeValue, 1);
    WriteGeneral(pixwell::kMaxHistoryStepsValue, 5);
    SetAutoRun("C:\\vistrel.exe");
    auto d = NewDialog();
    EXPECT_THAT(TakeMessages(), ElementsAre(HasSubstr("no control")));
    ASSERT_EQ(d->ActionsView->Count(), 1);
    EXPECT_EQ(d->ActionsView->Caption(0), "Alpha saver");
    EXPECT_NE(d->ActionsView->Data(0), nullptr);
    // The settings were not read: the controls keep their design values.
    EXPECT_FALSE(d->cbStartWithWindows->Checked());
    EXPECT_FALSE(d->cbQuickMode->Checked());
    EXPECT_EQ(d->seBufferSteps->Value(), 0);

    // What the user then confirms is written as shown.
    FormScript script(*d);
    script.Then([&] { Press(*d->Button1); });
    EXPECT_EQ(d->ShowModal(), fw::mrOk);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(ReadGeneral(pixwell::kQuickModeValue), 0u);
    EXPECT_EQ(ReadGeneral(pixwell::kMaxHistoryStepsValue), 0u);
    EXPECT_EQ(AutoRunValue(), std::nullopt);
    EXPECT_EQ(CheckedFile(), std::string());
}

TEST_F(OptionsDialog, AFailedWriteStopsAtItsStepAndTheDialogCloses)
{
    InstalledPlugin a(kFakeClassA);
    WriteCheckedPlugins({Id(kPluginA)});
    const Stored before = Now();
    TOptionsEnvironment env;
    env.settings = BrokenSettings(Broken::generalKeyReadOnly);
    auto d = NewDialog(std::move(env));
    FormScript script(*d);
    script.Then([&] {
        d->cbStartWithWindows->SetChecked(true);
        d->ActionsView->SetChecked(0, false);
        Press(*d->Button1);
    });
    EXPECT_EQ(d->ShowModal(), fw::mrOk);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(TakeMessages(), ElementsAre("Error write QuickMode registry value"));
    // Neither the autorun value nor the file was touched.
    EXPECT_EQ(Now(), before);
}

TEST_F(OptionsDialog, AMissingAutoRunKeyIsReportedAtOpeningAndAtOkBeforeTheFile)
{
    InstalledPlugin a(kFakeClassA);
    WriteGeneral(pixwell::kQuickModeValue, 1);
    WriteGeneral(pixwell::kMaxHistoryStepsValue, 4);
    WriteCheckedPlugins({Id(kPluginA)});
    TOptionsEnvironment env;
    env.settings = BrokenSettings(Broken::autoRunKeyMissing);
    auto d = NewDialog(std::move(env));
    EXPECT_THAT(TakeMessages(), ElementsAre("Error opening AutoRun registry key"));
    // The general values were read before.
    EXPECT_TRUE(d->cbQuickMode->Checked());
    EXPECT_EQ(d->seBufferSteps->Value(), 4);
    EXPECT_FALSE(d->cbStartWithWindows->Checked());

    FormScript script(*d);
    script.Then([&] {
        d->cbQuickMode->SetChecked(false);
        d->seBufferSteps->SetText("8");
        d->ActionsView->SetChecked(0, false);
        Press(*d->Button1);
    });
    EXPECT_EQ(d->ShowModal(), fw::mrOk);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(TakeMessages(), ElementsAre("Error opening AutoRun registry key"));
    EXPECT_EQ(ReadGeneral(pixwell::kQuickModeValue), 0u);
    EXPECT_EQ(ReadGeneral(pixwell::kMaxHistoryStepsValue), 8u);
    EXPECT_EQ(CheckedFile(), Id(kPluginA) + "\r\n") << "the file is after the autorun value";
}

} // namespace
