// The plug-in run on the wizard's executing page, against the fake plug-in
// library registered as an installed plug-in would be: the order of calls each
// plug-in sees, the image stream, hiding the wizard around Execute, every
// verdict and failure of SaveSettings and Execute, quick mode, new instances on
// every hosting, and the focus notification before SaveSettings. The catalogue
// is served from this process as the program serves it; each wizard runs its
// real modal loop, driven by steps that wait on a message-loop timer.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "wizard/AfterScreenShotWindowUnit.h"
#include "WizardScript.h"
#include "EditorInput.h"
#include "pluginhost/CheckedPluginsUnit.h"
#include "FakeConfig.h"
#include "FakePluginLibrary.h"
#include "common/PixwellInc.h"
#include "TestPlugin.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "wizard/WizardPageFlow.h"
#include "fakeplugin_TLB.h"
#include "ui/Application.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"
#include "imaging/Bitmap.h"

namespace {

using wizard_test::Press;
using wizard_test::Script;

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace wizard;

// ---- The fake plug-in library ---------------------------------------------------------

HRESULT RegisterFakeLibrary()
{
    auto& library = fake_plugin::Library();
    return library.Loaded() ? library.registerServer() : E_UNEXPECTED;
}

class OleEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        // The host's library, which the fake's imports, as the program
        // registers it at every start.
        fw::RegisterTypeLibrary(fw::ModuleFileName());
    }
    void TearDown() override { OleUninitialize(); }
};

const auto* const kOleEnvironment = testing::AddGlobalTestEnvironment(new OleEnvironment);

std::string PluginKey(const CLSID& clsid)
{
    return std::string(pixwell::kPluginsKey) + "\\" + fw::GUIDToString(clsid);
}

void SetKnob(const CLSID& pluginClass, const std::string& name, DWORD value)
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, PluginKey(pluginClass).c_str()).WriteDword(name.c_str(), value);
}

void SetKnob(const CLSID& pluginClass, const std::string& name, const std::string& value)
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, PluginKey(pluginClass).c_str()).WriteString(name.c_str(), value);
}

void ClearKnob(const CLSID& pluginClass, const std::string& name)
{
    fw::RegKey::TryOpen(HKEY_CURRENT_USER, PluginKey(pluginClass).c_str()).DeleteValue(name.c_str());
}

// ---- The fake's log ---------------------------------------------------------------------

struct LogEvent {
    std::string object; // "FakePluginObject#3"
    std::string name;   // "Execute"
    std::map<std::string, std::string> fields;

    std::string Class() const { return object.substr(0, object.find('#')); }
    const std::string& operator[](const std::string& key) const
    {
        static const std::string missing = "<missing>";
        const auto it = fields.find(key);
        return it == fields.end() ? missing : it->second;
    }
};

LogEvent ParseLine(const std::string& line)
{
    LogEvent event;
    size_t pos = line.find(' ');
    event.object = line.substr(0, pos);
    size_t end = line.find(' ', pos + 1);
    event.name = line.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
    pos = end;
    while (pos != std::string::npos && pos < line.size()) {
        const size_t equals = line.find('=', pos + 1);
        if (equals == std::string::npos)
            break;
        const std::string key = line.substr(pos + 1, equals - pos - 1);
        std::string value;
        size_t i = equals + 1;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size())
                    ++i;
                value += line[i];
            }
            ++i;
        } else {
            const size_t stop = line.find(' ', i);
            value = line.substr(i, stop == std::string::npos ? std::string::npos : stop - i);
            i = stop == std::string::npos ? line.size() : stop;
        }
        event.fields[key] = value;
        pos = i < line.size() ? i : std::string::npos;
    }
    return event;
}

class FakeLog {
public:
    FakeLog()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + "pluginrun_" +
                testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        DeleteFileA(path_.c_str());
        fw::RegKey::TryCreate(HKEY_CURRENT_USER, fake::kLogKey).WriteString(fake::kLogFileValue, path_);
    }
    ~FakeLog()
    {
        DeleteFileA(path_.c_str());
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, fake::kLogKey);
    }
    FakeLog(const FakeLog&) = delete;
    FakeLog& operator=(const FakeLog&) = delete;

    // The calls of the contract (creation and release left out), in order.
    std::vector<LogEvent> Calls() const
    {
        std::vector<LogEvent> events;
        std::ifstream in(path_);
        for (std::string line; std::getline(in, line);) {
            LogEvent event = ParseLine(line);
            if (event.name != "Create" && event.name != "Destroy")
                events.push_back(std::move(event));
        }
        return events;
    }
    // Each call as "<Class> <Event>", Notify with its message.
    std::vector<std::string> Sequence() const
    {
        std::vector<std::string> sequence;
        for (const LogEvent& event : Calls())
            sequence.push_back(event.Class() + " " + event.name +
                               (event.name == "Notify" ? " " + event["msg"] : std::string()));
        return sequence;
    }
    std::vector<LogEvent> Of(const std::string& name) const
    {
        std::vector<LogEvent> found;
        for (LogEvent& event : Calls())
            if (event.name == name)
                found.push_back(std::move(event));
        return found;
    }

private:
    std::string path_;
};

// Focus notifications come and go with the window manager's whims; the order
// of the other calls is what the contract fixes.
std::vector<std::string> WithoutNotify(std::vector<std::string> sequence)
{
    std::erase_if(sequence, [](const std::string& call) { return call.find(" Notify") != std::string::npos; });
    return sequence;
}

// ---- A plug-in that never writes its results ------------------------------------------------

const CLSID kSilentPlugin = {0xf0a1b2c3, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x01}};

// Forwards to a FakePluginObject of its own (whose control it so can be
// given) but leaves Execute's Result as it found it.
class TSilentPlugin final : public TestPluginBase {
public:
    static HRESULT Create(REFIID iid, void** object)
    {
        auto* plugin = new TSilentPlugin;
        HRESULT hr = CoCreateInstance(CLSID_FakePluginObject, nullptr, CLSCTX_INPROC_SERVER, IID_IPixwellPlugin,
                                      plugin->inner_.PutVoid());
        if (FAILED(hr)) {
            plugin->Release();
            return hr;
        }
        return Hand(plugin, iid, object);
    }
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR* Name, BSTR* Description, BSTR* OptionsObjectName, BSTR* HelpTopic,
                                            HRESULT* Result) override
    {
        return inner_->GetPluginInfo(Name, Description, OptionsObjectName, HelpTopic, Result);
    }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown* ImageStream, LONG ParentWnd, HRESULT*) override
    {
        ++executed;
        HRESULT ignored = S_OK;
        return inner_->Execute(ImageStream, ParentWnd, &ignored);
    }
    static inline int executed = 0;

private:
    HRESULT QueryOther(REFIID iid, void** object) override { return inner_->QueryInterface(iid, object); }

    fw::ComPtr<IPixwellPlugin> inner_;
};

const fw::ComClassEntry kSilentClass{&kSilentPlugin, "Silent", "Silent plugin", &TSilentPlugin::Create};

// ---- Driving the wizard ------------------------------------------------------------------------

// Messages to the user, with whether the wizard was showing at the time.
class ErrorCapture {
public:
    ErrorCapture()
    {
        previous_ = fw::App().SetExceptionHandler([this](const std::string& text) {
            messages.push_back(text);
            wizardVisible.push_back(wizard && IsWindowVisible(wizard));
        });
    }
    ~ErrorCapture() { fw::App().SetExceptionHandler(std::move(previous_)); }
    std::vector<std::string> messages;
    std::vector<bool> wizardVisible;
    HWND wizard = nullptr;

private:
    fw::Application::ExceptionHandler previous_;
};


img::Bitmap Pattern(int width, int height)
{
    img::Bitmap image(width, height, img::PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, {uint8_t(x * 9), uint8_t(y * 13), uint8_t(x ^ y)});
    return image;
}

std::string HandleText(HWND hwnd)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return buf;
}

// Sizes of the BMP files of a 40 x 30 picture: headers, colour table, rows
// padded to 4 bytes.
constexpr int kWidth = 40;
constexpr int kHeight = 30;
const std::string kBmpSize24 = std::to_string(14 + 40 + kHeight * (kWidth * 3));
const std::string kBmpSize8 = std::to_string(14 + 40 + 256 * 4 + kHeight * kWidth);

class PluginRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kPluginsKey, true);
        DeleteFileA(CheckedPluginsPath().c_str());
        ASSERT_TRUE(fake_plugin::Library().Loaded()) << "fakeplugin.dll not found";
        ASSERT_EQ(RegisterFakeLibrary(), S_OK);
        catalogue_ = fw::ClassObjectRegistration::Register(kPixwellObjectClass);
    }
    void TearDown() override
    {
        EXPECT_THAT(errors.messages, IsEmpty()) << "unexpected messages to the user";
        catalogue_.Revoke();
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kPluginsKey, true);
        DeleteFileA(CheckedPluginsPath().c_str());
    }
    // A wizard on a 40 x 30 picture, as the capture window makes one.
    fw::FormPtr<TAfterScreenShotWindow> NewWizard(bool withImage = true)
    {
        auto w = fw::CreateForm<TAfterScreenShotWindow>(
            [this](const std::string& topic, HWND) { helpShown.push_back(topic); });
        if (withImage)
            w->AssignImage(fw::DibBitmap(Pattern(kWidth, kHeight)));
        errors.wizard = w->Handle();
        return w;
    }
    std::vector<std::string> TakeMessages() { return std::exchange(errors.messages, {}); }

    FakeLog log;
    ErrorCapture errors;
    std::vector<std::string> helpShown;
    fw::ClassObjectRegistration catalogue_;
};

// Rows follow the registry's order of the keys: "Fake plugin 2", "Fake plugin".
const std::string kFake2 = fw::GUIDToString(CLSID_FakePluginObject2);
const std::string kFake1 = fw::GUIDToString(CLSID_FakePluginObject);

// ---- Tests ---------------------------------------------------------------------------------------

TEST_F(PluginRun, MarkedPluginsRunInListOrderEachOnAnInstanceOfItsOwnThenTheReportFollows)
{
    // A key whose class is gone is left out of the list without a word.
    const CLSID gone = {0x7000aaaa, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x0b}};
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, PluginKey(gone).c_str());
    WriteCheckedPlugins({kFake1, kFake2});
    auto w = NewWizard();
    ASSERT_EQ(w->ActionsView->Count(), 2);
    EXPECT_EQ(w->ActionsView->Caption(0), fake::kPlugin2Name);
    EXPECT_EQ(w->ActionsView->Caption(1), fake::kPluginName);
    const std::vector<LogEvent> listing = log.Calls();

    std::vector<int> rows;
    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Next); })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] {
            rows.push_back(w->CurrentPluginIndex);
            EXPECT_FALSE(w->PluginContainer->Empty());
            EXPECT_TRUE(w->PluginContainer->InPlaceActive());
            EXPECT_EQ(w->PluginContainer->GetBounds(), (fw::Bounds{0, 0, 542, 270}));
            Press(*w->Button1);
            Press(*w->Next);
            // The second plug-in's page replaces the first's, on the image's
            // current depth.
            rows.push_back(w->CurrentPluginIndex);
            EXPECT_EQ(w->Notebook->PageIndex(), wpExecutePlugins);
            w->ScreenShot->Picture().SetPixelFormat(img::PixelFormat::pf8bit);
        })
        .OnPage(wpExecutePlugins, [&] { Press(*w->Next); })
        .OnPage(wpReport, [&] { Press(*w->Finalize); });
    EXPECT_EQ(w->ShowModal(), fw::mrCancel);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(rows, ElementsAre(0, 1));
    EXPECT_THAT(helpShown, ElementsAre(fake::kPluginHelpTopic));

    // At creation each plug-in answered on an instance of its own.
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].name + " " + listing[1].name, "GetPluginInfo GetPluginInfo");
    EXPECT_THAT(WithoutNotify(log.Sequence()),
                ElementsAre("FakePluginObject2 GetPluginInfo", "FakePluginObject GetPluginInfo",
                            "FakeOptions SetPlugin", "FakeOptions SaveSettings", "FakePluginObject2 Execute",
                            "FakeOptions SetPlugin", "FakeOptions SaveSettings", "FakePluginObject Execute"));
    const auto setPlugin = log.Of("SetPlugin");
    const auto executed = log.Of("Execute");
    const auto saved = log.Of("SaveSettings");
    ASSERT_EQ(setPlugin.size(), 2u);
    ASSERT_EQ(executed.size(), 2u);
    ASSERT_EQ(saved.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        // The control got a new instance and the plug-in ran on that one.
        EXPECT_NE(setPlugin[i]["plugin"], listing[i].object);
        EXPECT_EQ(setPlugin[i]["plugin"], executed[i].object);
        // Each plug-in has a control of its own.
        EXPECT_EQ(saved[i].object, setPlugin[i].object);
        // The image as a BMP file at position 0, the wizard hidden meanwhile.
        EXPECT_EQ(executed[i]["stream"], "IStream");
        EXPECT_EQ(executed[i]["position"], "0");
        EXPECT_EQ(executed[i]["magic"], "BM");
        EXPECT_EQ(executed[i]["length"], executed[i]["bfSize"]);
        EXPECT_EQ(executed[i]["parent"], HandleText(w->Handle()));
        EXPECT_EQ(executed[i]["parentVisible"], "0");
    }
    EXPECT_NE(saved[0].object, saved[1].object);
    EXPECT_EQ(executed[0]["bfSize"], kBmpSize24);
    EXPECT_EQ(executed[1]["bfSize"], kBmpSize8);
}

// A run that isn't confirmed keeps the plug-in's page; the same control and
// plug-in instance get the next try, which then goes through.
TEST_F(PluginRun, RunThatIsNotConfirmedKeepsThePageForAnotherTryOnTheSameInstance)
{
    struct Case {
        const char* method;    // its knob on FakePluginObject
        const char* knob;      // "Result" or "Status", set to E_FAIL
        const char* errorText; // the status's error text
        int saves;             // SaveSettings calls on the first try
        int executions;        // Execute calls on the first try
        const char* message;   // shown to the user, if any
    };
    const Case cases[] = {
        {"SaveSettings", "Result", nullptr, 1, 0, nullptr},
        {"SaveSettings", "Status", "The folder is gone", 1, 0, "The folder is gone"},
        {"Execute", "Result", nullptr, 1, 1, nullptr},
        {"Execute", "Status", "The disk is full", 1, 1, "The disk is full"},
        // No knob: a picture of no pixels (a capture released where it was
        // pressed) has nothing to hand on; the control is not asked to save
        // settings for a run that can't happen.
        {nullptr, nullptr, nullptr, 0, 0, kEmptyImageError},
    };
    WriteCheckedPlugins({kFake1});
    for (const Case& c : cases) {
        const std::string knob = c.method ? std::string(c.method) + c.knob : "";
        SCOPED_TRACE(c.method ? knob : "empty image");
        const size_t executedBefore = log.Of("Execute").size();
        const size_t savedBefore = log.Of("SaveSettings").size();
        const size_t setBefore = log.Of("SetPlugin").size();
        if (c.method) {
            SetKnob(CLSID_FakePluginObject, knob, static_cast<DWORD>(E_FAIL));
            if (c.errorText)
                SetKnob(CLSID_FakePluginObject, std::string(c.method) + "ErrorText", c.errorText);
        }
        auto w = NewWizard(c.method != nullptr);
        std::vector<std::string> firstTry;
        std::vector<bool> visibleAtMessage;
        size_t executedFirst = 0;
        size_t savedFirst = 0;
        Script script(*w);
        script.OnPage(wpPreview, [&] { Press(*w->Next); })
            .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
            .OnPage(wpExecutePlugins, [&] {
                Press(*w->Next);
                EXPECT_EQ(w->Notebook->PageIndex(), wpExecutePlugins);
                EXPECT_EQ(w->CurrentPluginIndex, 1);
                EXPECT_TRUE(w->Visible());
                executedFirst = log.Of("Execute").size() - executedBefore;
                savedFirst = log.Of("SaveSettings").size() - savedBefore;
                firstTry = TakeMessages();
                visibleAtMessage = std::exchange(errors.wizardVisible, {});
                if (c.method)
                    ClearKnob(CLSID_FakePluginObject, knob);
                else
                    w->AssignImage(fw::DibBitmap(Pattern(kWidth, kHeight)));
                Press(*w->Next);
            })
            .OnPage(wpReport, [&] { Press(*w->Finalize); });
        w->ShowModal();
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(savedFirst, static_cast<size_t>(c.saves));
        EXPECT_EQ(executedFirst, static_cast<size_t>(c.executions));
        if (c.message) {
            EXPECT_THAT(firstTry, ElementsAre(c.message));
            EXPECT_THAT(visibleAtMessage, ElementsAre(true));
        } else {
            EXPECT_THAT(firstTry, IsEmpty());
        }
        // One hosting for both tries.
        const auto setPlugin = log.Of("SetPlugin");
        const auto executed = log.Of("Execute");
        ASSERT_EQ(setPlugin.size(), setBefore + 1);
        ASSERT_GT(executed.size(), executedBefore);
        EXPECT_EQ(executed.back().object, setPlugin.back()["plugin"]);
        EXPECT_EQ(executed.back()["parentVisible"], "0");
    }
}

// The second marked plug-in's hosting fails after the first has run: its
// options control has no programmatic identifier, or the control refuses the
// plug-in instance. The page must then hold nothing: not the first plug-in's
// control (which would save its settings again) nor a control without its
// plug-in, and no instance that never got SetPlugin may run.
TEST_F(PluginRun, FailedHostingOfTheNextPluginLeavesNothingToRun)
{
    struct Case {
        const char* name;
        std::function<void()> breakSecond; // knobs of the second plug-in, FakePluginObject
        ::testing::Matcher<std::string> message;
        bool controlMade; // the second plug-in's control was made (and refused it)
    };
    const Case cases[] = {
        {"no programmatic identifier",
         [] {
             // Read when the list is filled: a class that has no ProgID.
             SetKnob(CLSID_FakePluginObject, "InfoOptions", "{5A0000FE-0000-4000-8000-00000000000A}");
         },
         ::testing::AnyOf(::testing::HasSubstr("not registered"), ::testing::HasSubstr("0x80040154")), false},
        {"SetPlugin refused",
         [] {
             SetKnob(CLSID_FakePluginObject, "SetPluginStatus", static_cast<DWORD>(E_FAIL));
             SetKnob(CLSID_FakePluginObject, "SetPluginErrorText", "The control refuses the plug-in");
         },
         ::testing::Eq("The control refuses the plug-in"), true},
    };
    WriteCheckedPlugins({kFake1, kFake2});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.breakSecond();
        const size_t callsBefore = log.Calls().size();
        auto w = NewWizard();
        std::vector<std::string> hosting, next;
        Script script(*w);
        script.OnPage(wpPreview, [&] { Press(*w->Next); })
            .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
            .OnPage(wpExecutePlugins, [&] {
                EXPECT_EQ(w->CurrentPluginIndex, 0);
                // The first plug-in runs; the second's page can't be hosted.
                Press(*w->Next);
                hosting = TakeMessages();
                EXPECT_EQ(w->Notebook->PageIndex(), wpExecutePlugins);
                EXPECT_EQ(w->CurrentPluginIndex, 1);
                EXPECT_TRUE(w->PluginContainer->Empty());
                EXPECT_FALSE(w->CurrentPlugin());
                // Next has nothing to run.
                Press(*w->Next);
                next = TakeMessages();
                EXPECT_EQ(w->Notebook->PageIndex(), wpExecutePlugins);
                Press(*w->Finalize);
            });
        w->ShowModal();
        EXPECT_TRUE(script.Finished());
        for (const char* knob : {"InfoOptions", "SetPluginStatus", "SetPluginErrorText"})
            ClearKnob(CLSID_FakePluginObject, knob);
        EXPECT_THAT(hosting, ElementsAre(c.message));
        EXPECT_THAT(next, ElementsAre(kNoOptionsHostedError));

        const std::vector<LogEvent> calls = log.Calls();
        std::vector<std::string> sequence;
        for (size_t i = callsBefore; i < calls.size(); ++i)
            if (calls[i].name != "Notify")
                sequence.push_back(calls[i].Class() + " " + calls[i].name);
        std::vector<std::string> expected = {"FakePluginObject2 GetPluginInfo", "FakePluginObject GetPluginInfo",
                                             "FakeOptions SetPlugin", "FakeOptions SaveSettings",
                                             "FakePluginObject2 Execute"};
        if (c.controlMade)
            expected.push_back("FakeOptions SetPlugin");
        EXPECT_EQ(sequence, expected);
    }
}

TEST_F(PluginRun, PluginThatNeverWritesItsResultsCountsAsSuccessful)
{
    fw::ComPtr<IUnknown> factory;
    fw::OleCheck(fw::CreateClassFactory(kSilentClass, IID_IUnknown, factory.PutVoid()));
    DWORD cookie = 0;
    fw::OleCheck(CoRegisterClassObject(kSilentPlugin, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                       &cookie));
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, PluginKey(kSilentPlugin).c_str());
    WriteCheckedPlugins({fw::GUIDToString(kSilentPlugin)});
    TSilentPlugin::executed = 0;
    auto w = NewWizard();
    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Next); })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] {
            EXPECT_EQ(w->CurrentPluginIndex, 2);
            Press(*w->Next);
        })
        .OnPage(wpReport, [&] { Press(*w->Finalize); });
    w->ShowModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(TSilentPlugin::executed, 1);
    w.reset();
    CoRevokeClassObject(cookie);
}

TEST_F(PluginRun, QuickModeClosesAfterTheFirstSuccessfulRun)
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kGeneralKey).WriteDword(pixwell::kQuickModeValue, 1);
    WriteCheckedPlugins({kFake1, kFake2});
    auto w = NewWizard();
    Script script(*w);
    script.OnPage(wpExecutePlugins, [&] { Press(*w->Next); });
    EXPECT_EQ(w->ShowModal(), fw::mrCancel);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(WithoutNotify(log.Sequence()),
                ElementsAre("FakePluginObject2 GetPluginInfo", "FakePluginObject GetPluginInfo",
                            "FakeOptions SetPlugin", "FakeOptions SaveSettings", "FakePluginObject2 Execute"));
}

TEST_F(PluginRun, ComingBackToTheExecutingPageHostsANewInstanceAndControl)
{
    WriteCheckedPlugins({kFake2});
    auto w = NewWizard();
    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Next); })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] { Press(*w->Back); })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] { Press(*w->Next); })
        .OnPage(wpReport, [&] { Press(*w->Finalize); });
    w->ShowModal();
    EXPECT_TRUE(script.Finished());
    const auto setPlugin = log.Of("SetPlugin");
    ASSERT_EQ(setPlugin.size(), 2u);
    EXPECT_NE(setPlugin[0].object, setPlugin[1].object);
    EXPECT_NE(setPlugin[0]["plugin"], setPlugin[1]["plugin"]);
    // Only the control of the second arrival runs.
    const auto executed = log.Of("Execute");
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_EQ(executed[0].object, setPlugin[1]["plugin"]);
    EXPECT_EQ(log.Of("SaveSettings").at(0).object, setPlugin[1].object);
}

HWND FindChildOfClass(HWND parent, const char* className)
{
    struct Search {
        const char* name;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (lstrcmpiA(name, s.name) == 0) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Queued clicks and keys, as the user's input arrives.
void PostClick(HWND hwnd)
{
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

TEST_F(PluginRun, LeavingTheHostedEditForNextTellsTheControlBeforeItSavesSettings)
{
    WriteCheckedPlugins({kFake1});
    auto w = NewWizard();
    HWND edit = nullptr;
    Script script(*w);
    script.OnPage(wpPreview, [&] { Press(*w->Next); })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] {
            edit = FindChildOfClass(w->PluginContainer->Handle(), "Edit");
            ASSERT_TRUE(edit);
            PostClick(edit);
            for (const char ch : std::string("typed"))
                PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(ch), 1);
        })
        .When([&] { return GetFocus() == edit && GetWindowTextLengthA(edit) == 5; },
              [&] { PostClick(w->Next->Handle()); })
        .OnPage(wpReport, [&] { Press(*w->Finalize); });
    w->ShowModal();
    ASSERT_TRUE(script.Finished());
    std::vector<std::string> sequence = log.Sequence();
    // From the click into the edit on.
    sequence.erase(sequence.begin(), std::find(sequence.begin(), sequence.end(), "FakeOptions Notify 1"));
    EXPECT_THAT(sequence, ElementsAre("FakeOptions Notify 1", "FakeOptions Notify 0", "FakeOptions SaveSettings",
                                      "FakePluginObject Execute"));
    const auto saved = log.Of("SaveSettings");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0]["text"], "typed");
    EXPECT_EQ(saved[0]["focus"], "outside");
    const auto notified = log.Of("Notify");
    ASSERT_FALSE(notified.empty());
    EXPECT_EQ(notified.back()["msg"], "0");
}

// The colour depth chosen on the preview page is what the plug-ins get; an
// undo on the executing page, with the focus in the plug-in's page, changes
// what the next plug-in gets.
TEST_F(PluginRun, DepthChosenOnThePreviewReachesThePluginAndAnUndoOnTheExecutingPageTakesItBack)
{
    WriteCheckedPlugins({kFake2, kFake1});
    auto w = NewWizard();
    Script script(*w);
    script.OnPage(wpPreview, [&] {
              editor_test::ChooseDepth(*w, 2); // "8 bit"
              Press(*w->Next);
          })
        .OnPage(wpChoosePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] { Press(*w->Next); })
        .OnPage(wpExecutePlugins, [&] {
            HWND edit = FindChildOfClass(w->PluginContainer->Handle(), "Edit");
            ASSERT_TRUE(edit);
            SetFocus(edit);
            editor_test::PressKey('Z', {VK_CONTROL});
            Press(*w->Next);
        })
        .OnPage(wpReport, [&] { Press(*w->Finalize); });
    w->ShowModal();
    ASSERT_TRUE(script.Finished());
    const auto executed = log.Of("Execute");
    ASSERT_EQ(executed.size(), 2u);
    EXPECT_EQ(executed[0]["biBitCount"], "8");
    EXPECT_EQ(executed[0]["biClrUsed"], "256");
    EXPECT_EQ(executed[0]["bfSize"], kBmpSize8);
    EXPECT_EQ(executed[1]["biBitCount"], "24");
    EXPECT_EQ(executed[1]["bfSize"], kBmpSize24);
}

} // namespace
