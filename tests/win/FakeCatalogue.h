// Installed plug-ins made up inside a test of the host's plug-in lists (the
// wizard's and the settings dialog's): fake plug-in classes served from the
// test process as an in-process server's would be, their keys under the
// program's Plugins key, and the capture of the messages the default error
// handler would show.
#pragma once
#include "TestPlugin.h"
#include "common/PixwellInc.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"
#include "ui/Application.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace fake_catalogue {

// Plug-in keys enumerate alphabetically: A, the middle one, B.
const CLSID kPluginA = {0x5a000001, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x0a}};
const CLSID kPluginMiddle = {0x5a000002, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x0a}};
const CLSID kPluginB = {0x5a000003, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x0a}};
const CLSID kFakeOptions = {0x5a0000ff, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x0a}};
const std::string kFakeOptionsText = fw::GUIDToString(kFakeOptions);

struct TFakeAnswers {
    const char* name;
    const char* description;
    const char* optionsObjectName;
    const char* helpTopic;
};
const TFakeAnswers kAnswersA{"Alpha saver", "Keeps the image", kFakeOptionsText.c_str(), "alpha.html"};
const TFakeAnswers kAnswersB{"Beta mailer", "Sends the image", kFakeOptionsText.c_str(), "beta.html"};
const TFakeAnswers kAnswersBroken{"Broken", "Names no control", "no control", "broken.html"};
// kFakeOptions has no ProgID: the system's text for a class it doesn't know
// (Wine has none and gives the number).
const auto kNotHostable = ::testing::AnyOf(::testing::HasSubstr("not registered"), ::testing::HasSubstr("0x80040154"));

class TFakePlugin final : public TestPluginBase {
public:
    template <const TFakeAnswers* Answers>
    static HRESULT Create(REFIID iid, void** object)
    {
        return Hand(new TFakePlugin(*Answers), iid, object);
    }
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR* Name, BSTR* Description, BSTR* OptionsObjectName,
                                            BSTR* HelpTopic, HRESULT* Result) override
    {
        fw::SetOutBStr(Name, answers_.name);
        fw::SetOutBStr(Description, answers_.description);
        fw::SetOutBStr(OptionsObjectName, answers_.optionsObjectName);
        fw::SetOutBStr(HelpTopic, answers_.helpTopic);
        *Result = S_OK;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown*, LONG, HRESULT*) override { return E_NOTIMPL; }

private:
    explicit TFakePlugin(const TFakeAnswers& answers) : answers_(answers) {}
    const TFakeAnswers& answers_;
};

const fw::ComClassEntry kFakeClassA{&kPluginA, "FakeA", "Fake A", &TFakePlugin::Create<&kAnswersA>};
const fw::ComClassEntry kFakeClassB{&kPluginB, "FakeB", "Fake B", &TFakePlugin::Create<&kAnswersB>};
const fw::ComClassEntry kFakeClassBroken{&kPluginMiddle, "FakeBroken", "Fake broken",
                                         &TFakePlugin::Create<&kAnswersBroken>};

// An installed plug-in: its class served in this process as an in-process
// server's would be, and its key under the program's Plugins key.
class InstalledPlugin {
public:
    explicit InstalledPlugin(const fw::ComClassEntry& entry)
    {
        fw::ComPtr<IUnknown> factory;
        fw::OleCheck(fw::CreateClassFactory(entry, IID_IUnknown, factory.PutVoid()));
        fw::OleCheck(CoRegisterClassObject(*entry.clsid, factory.Get(), CLSCTX_INPROC_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie_));
        AddKey(*entry.clsid);
    }
    ~InstalledPlugin() { CoRevokeClassObject(cookie_); }
    InstalledPlugin(const InstalledPlugin&) = delete;
    InstalledPlugin& operator=(const InstalledPlugin&) = delete;

    // A key alone: a plug-in whose library is gone.
    static void AddKey(const CLSID& clsid)
    {
        const std::string path = std::string(pixwell::kPluginsKey) + "\\" + fw::GUIDToString(clsid);
        EXPECT_TRUE(fw::RegKey::TryCreate(HKEY_CURRENT_USER, path.c_str()));
    }

private:
    DWORD cookie_ = 0;
};

// The messages the default error handler is given while it lives.
class ErrorCapture {
public:
    ErrorCapture()
    {
        previous_ = fw::App().SetExceptionHandler(
            [this](const std::string& text) { messages.push_back(text); });
    }
    ~ErrorCapture() { fw::App().SetExceptionHandler(std::move(previous_)); }
    std::vector<std::string> messages;

private:
    fw::Application::ExceptionHandler previous_;
};

} // namespace fake_catalogue
