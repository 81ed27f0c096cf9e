// The plug-in side of hosting, through the fake plug-in library: its
// in-process server exports and registration, type-library driven IDispatch
// and error information, and the ActiveForm control hosted by a strict mock
// site that records every call it gets (the OLE handshake, teardown, events,
// properties by name, keyboard routing).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "FakeConfig.h"
#include "FakePluginLibrary.h"
#include "common/PixwellInc.h"
#include "fakeplugin_TLB.h"
#include "ole/ActiveForm.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

using CallLog = std::vector<std::string>;

constexpr DWORD kControlMiscStatus = 0x12000; // OLEMISC_SIMPLEFRAME | OLEMISC_ACTSLIKELABEL
constexpr char kOptionsProgId[] = "fakeplugin.FakeOptions";

using fake_plugin::Library;

class OleEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        // The host's library, as the program registers it at every start.
        fw::RegisterTypeLibrary(fw::ModuleFileName());
    }
    void TearDown() override { OleUninitialize(); }
};

const auto* const kOleEnvironment = testing::AddGlobalTestEnvironment(new OleEnvironment);

// ---- Registry and log -----------------------------------------------------------------

std::string PluginKey(const CLSID& clsid)
{
    return std::string(pixwell::kPluginsKey) + "\\" + fw::GUIDToString(clsid);
}

bool KeyExists(HKEY root, const std::string& path)
{
    return static_cast<bool>(fw::RegKey::TryOpen(root, path.c_str()));
}

std::string ReadText(HKEY root, const std::string& path, const char* name = nullptr)
{
    const fw::RegKey key = fw::RegKey::TryOpen(root, path.c_str());
    std::string value;
    if (!key || key.ReadString(name, value) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

void SetKnob(const CLSID& pluginClass, const char* name, DWORD value)
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, PluginKey(pluginClass).c_str()).WriteDword(name, value);
}

void SetKnob(const CLSID& pluginClass, const char* name, const std::string& value)
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, PluginKey(pluginClass).c_str()).WriteString(name, value);
}

// Points the fake's log at a fresh file for one test.
class FakeLog {
public:
    FakeLog()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::string(temp) + "activeform_" + test->name() + ".log";
        DeleteFileA(path_.c_str());
        fw::RegKey::TryCreate(HKEY_CURRENT_USER, fake::kLogKey).WriteString(fake::kLogFileValue, path_);
    }
    ~FakeLog()
    {
        DeleteFileA(path_.c_str());
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, fake::kLogKey);
    }

    CallLog Lines() const
    {
        CallLog lines;
        std::ifstream in(path_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // The lines of one event, without the object's name.
    CallLog Events(const std::string& event) const
    {
        CallLog found;
        for (const std::string& line : Lines()) {
            const auto space = line.find(' ');
            if (space != std::string::npos && line.compare(space + 1, event.size(), event) == 0)
                found.push_back(line.substr(space + 1));
        }
        return found;
    }

private:
    std::string path_;
};

void ClearKnobs()
{
    for (const CLSID* clsid : {&CLSID_FakePluginObject, &CLSID_FakePluginObject2}) {
        const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, PluginKey(*clsid).c_str());
        std::vector<fw::RegValue> values;
        if (key && key.EnumValues(values) == ERROR_SUCCESS)
            for (const fw::RegValue& value : values)
                if (!value.name.empty())
                    key.DeleteValue(value.name.c_str());
    }
}

void PumpMessages()
{
    for (int round = 0; round < 3; ++round) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

std::string ErrorDescription()
{
    return fw::TakeErrorInfoDescription();
}

// ---- Fixture for tests that use the registered library ---------------------------------------

class FakePluginTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Library().Loaded()) << "cannot load " << Library().Path();
        ASSERT_EQ(S_OK, Library().registerServer());
        ClearKnobs();
    }
    void TearDown() override { ClearKnobs(); }

    FakeLog log_;
};

// ---- In-process server ---------------------------------------------------------------------

using InprocServerTest = FakePluginTest;

TEST_F(InprocServerTest, ClassObjectsOnlyForTheLibrarysClasses)
{
    void* object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, Library().getClassObject(CLSID_PixwellObject, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);

    object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(E_NOINTERFACE, Library().getClassObject(CLSID_FakePluginObject, IID_IOleObject, &object));
    EXPECT_EQ(nullptr, object);

    fw::ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, Library().getClassObject(CLSID_FakeOptions, IID_IClassFactory, factory.PutVoid()));
    EXPECT_TRUE(factory);
    EXPECT_EQ(E_POINTER, Library().getClassObject(CLSID_FakeOptions, IID_IClassFactory, nullptr));
}

TEST_F(InprocServerTest, CanUnloadNowOnlyWhenNothingIsOutstanding)
{
    ASSERT_EQ(S_OK, Library().canUnloadNow());
    fw::ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, Library().getClassObject(CLSID_FakePluginObject, IID_IClassFactory, factory.PutVoid()));
    EXPECT_EQ(S_FALSE, Library().canUnloadNow()) << "a factory reference is out";

    // A lock outlives the factory it was taken through.
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory = nullptr;
    EXPECT_EQ(S_FALSE, Library().canUnloadNow());
    ASSERT_EQ(S_OK, Library().getClassObject(CLSID_FakePluginObject, IID_IClassFactory, factory.PutVoid()));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));

    // Aggregation is refused and leaves nothing behind.
    fw::ComPtr<IUnknown> outer = factory.As<IUnknown>();
    void* object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer.Get(), IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    outer = nullptr;

    fw::ComPtr<IPixwellPlugin> plugin;
    fw::ComPtr<IPixwellPlugin> second;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPixwellPlugin, plugin.PutVoid()));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPixwellPlugin, second.PutVoid()));
    EXPECT_NE(plugin.Get(), second.Get()) << "one object per request";
    factory = nullptr;
    second = nullptr;
    EXPECT_EQ(S_FALSE, Library().canUnloadNow()) << "an object is out";
    plugin = nullptr;
    EXPECT_EQ(S_OK, Library().canUnloadNow());

    // The control counts the same way.
    ASSERT_EQ(S_OK, Library().getClassObject(CLSID_FakeOptions, IID_IClassFactory, factory.PutVoid()));
    fw::ComPtr<IOleObject> control;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IOleObject, control.PutVoid()));
    factory = nullptr;
    EXPECT_EQ(S_FALSE, Library().canUnloadNow());
    control = nullptr;
    EXPECT_EQ(S_OK, Library().canUnloadNow());
}

// ---- Registration ------------------------------------------------------------------------------

using RegistrationTest = FakePluginTest;

TEST_F(RegistrationTest, RegisterWritesClassesTypeLibraryAndPluginKeys)
{
    ASSERT_EQ(S_OK, Library().unregisterServer());
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject)));
    ASSERT_EQ(S_OK, Library().registerServer());

    EXPECT_EQ(fake::kPluginName, ReadText(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject)));
    EXPECT_EQ(fake::kPlugin2Name, ReadText(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject2)));

    const std::string control = "CLSID\\" + fw::GUIDToString(CLSID_FakeOptions);
    EXPECT_EQ("FakeOptions Control", ReadText(HKEY_CLASSES_ROOT, control));
    EXPECT_EQ(Library().Path(), ReadText(HKEY_CLASSES_ROOT, control + "\\InprocServer32"));
    EXPECT_EQ("Apartment", ReadText(HKEY_CLASSES_ROOT, control + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ(kOptionsProgId, ReadText(HKEY_CLASSES_ROOT, control + "\\ProgID"));
    EXPECT_EQ(fw::GUIDToString(LIBID_fakeplugin), ReadText(HKEY_CLASSES_ROOT, control + "\\TypeLib"));
    EXPECT_EQ("1.0", ReadText(HKEY_CLASSES_ROOT, control + "\\Version"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, control + "\\Control"));
    EXPECT_EQ("0", ReadText(HKEY_CLASSES_ROOT, control + "\\MiscStatus"));
    EXPECT_EQ("73728", ReadText(HKEY_CLASSES_ROOT, control + "\\MiscStatus\\1"));
    EXPECT_EQ(Library().Path() + ",1", ReadText(HKEY_CLASSES_ROOT, control + "\\ToolboxBitmap32"));
    EXPECT_EQ(fw::GUIDToString(CLSID_FakeOptions), ReadText(HKEY_CLASSES_ROOT, std::string(kOptionsProgId) + "\\CLSID"));

    const std::string plugin = "CLSID\\" + fw::GUIDToString(CLSID_FakePluginObject);
    EXPECT_EQ("FakePluginObject Object", ReadText(HKEY_CLASSES_ROOT, plugin));
    EXPECT_EQ("fakeplugin.FakePluginObject", ReadText(HKEY_CLASSES_ROOT, plugin + "\\ProgID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, plugin + "\\Control")) << "only the control is a control";

    // What the host relies on: the control's ProgID from its CLSID, and back.
    LPOLESTR progId = nullptr;
    ASSERT_EQ(S_OK, ProgIDFromCLSID(CLSID_FakeOptions, &progId));
    EXPECT_EQ(kOptionsProgId, fw::WideToAnsi(progId));
    CoTaskMemFree(progId);
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"fakeplugin.FakeOptions", &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_FakeOptions, clsid));
    fw::ComPtr<ITypeLib> lib;
    EXPECT_EQ(S_OK, LoadRegTypeLib(LIBID_fakeplugin, 1, 0, LOCALE_NEUTRAL, lib.Put()));
}

TEST_F(RegistrationTest, RegisteringAgainKeepsThePluginsSettings)
{
    SetKnob(CLSID_FakePluginObject, "SomeSetting", 7);
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject).c_str()).WriteString(nullptr, "old");
    ASSERT_EQ(S_OK, Library().registerServer());
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject).c_str());
    EXPECT_EQ(7u, key.ReadDword("SomeSetting", 0));
    EXPECT_EQ(fake::kPluginName, ReadText(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject)));
}

TEST_F(RegistrationTest, UnregisterRemovesEverythingAndSucceedsTwice)
{
    const std::string privateKey = PluginKey(CLSID_FakePluginObject) + "\\Private";
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, privateKey.c_str()).WriteString("Folder", "C:\\");
    SetKnob(CLSID_FakePluginObject, "SomeSetting", 7);

    EXPECT_EQ(S_OK, Library().unregisterServer());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject)));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PluginKey(CLSID_FakePluginObject2)));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, pixwell::kPluginsKey)) << "the host's key stays";
    for (const CLSID* clsid : {&CLSID_FakeOptions, &CLSID_FakePluginObject, &CLSID_FakePluginObject2})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + fw::GUIDToString(*clsid)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kOptionsProgId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + fw::GUIDToString(LIBID_fakeplugin)));

    EXPECT_EQ(S_OK, Library().unregisterServer());
}

TEST_F(RegistrationTest, RegisterFailsWhenThePluginKeyCannotBeCreated)
{
    // The user's registry is swapped for a volatile key, under which no
    // lasting key can be created.
    const char* volatilePath = "Software\\VistrelVolatileUser";
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, volatilePath, true);
    HKEY volatileKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, volatilePath, 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr));
    const fw::RegKey owned(volatileKey);
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, volatileKey));
    const HRESULT hr = Library().registerServer();
    const std::string text = ErrorDescription();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, volatilePath, true);

    EXPECT_EQ(E_FAIL, hr);
    EXPECT_EQ("Unable to create registry key: " + PluginKey(CLSID_FakePluginObject), text);
    // What was written before the failing step stays.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + fw::GUIDToString(CLSID_FakePluginObject)));
}

TEST_F(RegistrationTest, ThePluginLibraryLeavesTheHostsInterfacesRegisteredToTheHost)
{
    // The fake's library carries copies of the contract's interfaces (its
    // coclasses list them); they stay registered to the host's library.
    const std::string key = "Interface\\" + fw::GUIDToString(IID_IPixwellPlugin) + "\\TypeLib";
    const std::string hostLibrary = pixwell::kPixwellLibId;
    ASSERT_EQ(hostLibrary, ReadText(HKEY_CLASSES_ROOT, key));
    ASSERT_EQ(S_OK, Library().registerServer());
    EXPECT_EQ(hostLibrary, ReadText(HKEY_CLASSES_ROOT, key));
    ASSERT_EQ(S_OK, Library().unregisterServer());
    EXPECT_EQ(hostLibrary, ReadText(HKEY_CLASSES_ROOT, key));
    EXPECT_EQ(S_OK, Library().registerServer());
}

// ---- Automation objects -----------------------------------------------------------------------

using AutomationTest = FakePluginTest;

DISPID DispId(IDispatch& dispatch, const wchar_t* name)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = dispatch.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

TEST_F(AutomationTest, DispatchComesFromTheLibrarysTypeInformation)
{
    fw::ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FakePluginObject2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     object.PutVoid()));
    UINT count = 0;
    EXPECT_EQ(S_OK, object->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(2, DispId(*object, L"PluginName"));
    EXPECT_EQ(DISPID_UNKNOWN, DispId(*object, L"NoSuchMember"));

    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    ASSERT_EQ(S_OK, object->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                                   nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(L"FakePluginObject2", std::wstring(result.bstrVal));
    VariantClear(&result);

    // The contract's interface, described by the host's library, has its
    // own IDispatch.
    fw::ComPtr<IPixwellPlugin> plugin = object.As<IPixwellPlugin>();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(2, DispId(*plugin, L"Execute"));
    EXPECT_EQ(1, DispId(*plugin, L"GetPluginInfo"));

    fw::ComPtr<IProvideClassInfo> classInfo = object.As<IProvideClassInfo>();
    ASSERT_TRUE(classInfo);
    fw::ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, classInfo->GetClassInfo(info.Put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualCLSID(CLSID_FakePluginObject2, attr->guid));
    info->ReleaseTypeAttr(attr);
}

TEST_F(AutomationTest, FailuresCarryTheirTextThroughVtableAndDispatch)
{
    SetKnob(CLSID_FakePluginObject, "GetPluginInfoStatus", 0x80040155u);
    SetKnob(CLSID_FakePluginObject, "GetPluginInfoErrorText", "No info today");
    fw::ComPtr<IPixwellPlugin> plugin;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FakePluginObject, nullptr, CLSCTX_INPROC_SERVER, IID_IPixwellPlugin,
                                     plugin.PutVoid()));
    fw::BStr name, description, options, topic;
    HRESULT result = S_FALSE;
    EXPECT_EQ(static_cast<HRESULT>(0x80040155u),
              plugin->GetPluginInfo(name.Put(), description.Put(), options.Put(), topic.Put(), &result));
    EXPECT_EQ("No info today", ErrorDescription());
    fw::ComPtr<ISupportErrorInfo> support = plugin.As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IPixwellPlugin));

    // Through IDispatch the same failure arrives as an exception.
    SetKnob(CLSID_FakePluginObject, "ExecuteStatus", static_cast<DWORD>(E_ACCESSDENIED));
    SetKnob(CLSID_FakePluginObject, "ExecuteErrorText", "Cannot write there");
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[1].vt = VT_UNKNOWN; // ImageStream (arguments go in reverse order)
    args[1].punkVal = nullptr;
    args[0].vt = VT_I4; // ParentWnd
    args[0].lVal = 0;
    DISPPARAMS params{args, nullptr, 2, 0};
    VARIANT ret;
    VariantInit(&ret);
    EXCEPINFO exception{};
    EXPECT_EQ(DISP_E_EXCEPTION, plugin->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &ret,
                                               &exception, nullptr));
    EXPECT_EQ(E_ACCESSDENIED, exception.scode);
    EXPECT_EQ(L"Cannot write there", std::wstring(exception.bstrDescription ? exception.bstrDescription : L""));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

// A BMP file of `width` by 1 pixels, 24 bits, in a memory stream at 0.
fw::ComPtr<IStream> BmpStream(int width)
{
    const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
    const DWORD size = 54 + row;
    std::vector<unsigned char> file(size, 0);
    file[0] = 'B';
    file[1] = 'M';
    memcpy(&file[2], &size, 4);
    const DWORD offset = 54, header = 40;
    memcpy(&file[10], &offset, 4);
    memcpy(&file[14], &header, 4);
    memcpy(&file[18], &width, 4);
    const LONG height = 1;
    memcpy(&file[22], &height, 4);
    file[26] = 1;
    file[28] = 24;
    fw::ComPtr<IStream> stream;
    fw::OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    fw::OleCheck(stream->Write(file.data(), size, nullptr));
    LARGE_INTEGER zero{};
    fw::OleCheck(stream->Seek(zero, STREAM_SEEK_SET, nullptr));
    return stream;
}

TEST_F(AutomationTest, FakePluginRecordsTheRunAndAnswersAsConfigured)
{
    SetKnob(CLSID_FakePluginObject2, "ExecuteResult", static_cast<DWORD>(E_FAIL));
    SetKnob(CLSID_FakePluginObject2, "InfoHelpTopic", "other.html");
    fw::ComPtr<IPixwellPlugin> plugin;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FakePluginObject2, nullptr, CLSCTX_INPROC_SERVER, IID_IPixwellPlugin,
                                     plugin.PutVoid()));
    fw::BStr name, description, options, topic;
    HRESULT result = S_FALSE;
    ASSERT_EQ(S_OK, plugin->GetPluginInfo(name.Put(), description.Put(), options.Put(), topic.Put(), &result));
    EXPECT_EQ(S_OK, result);
    EXPECT_EQ(fake::kPlugin2Name, name.ToString());
    EXPECT_EQ(fw::GUIDToString(CLSID_FakeOptions), options.ToString());
    EXPECT_EQ("other.html", topic.ToString());

    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    fw::ComPtr<IStream> stream = BmpStream(5);
    ASSERT_EQ(S_OK, plugin->Execute(stream.Get(), static_cast<LONG>(reinterpret_cast<LONG_PTR>(parent)), &result));
    EXPECT_EQ(E_FAIL, result);
    ULARGE_INTEGER position{};
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_CUR, &position);
    EXPECT_EQ(0u, position.QuadPart) << "the fake leaves the stream where it was";

    fw::ComPtr<IUnknown> notAStream = plugin.As<IUnknown>();
    EXPECT_EQ(E_NOINTERFACE, plugin->Execute(notAStream.Get(), 0, &result));
    notAStream = nullptr;
    plugin = nullptr;
    DestroyWindow(parent);

    char parentText[32];
    std::snprintf(parentText, sizeof parentText, "0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)));
    const CallLog lines = log_.Lines();
    ASSERT_EQ(5u, lines.size());
    EXPECT_THAT(lines[0], testing::MatchesRegex("FakePluginObject2#\\d+ Create"));
    EXPECT_THAT(lines[1], HasSubstr(" GetPluginInfo status=0x00000000 result=0x00000000"));
    EXPECT_THAT(lines[2], HasSubstr(std::string(" Execute stream=IStream position=0 length=70 magic=BM bfSize=70 "
                                                "biBitCount=24 biClrUsed=0 parent=") +
                                    parentText + " parentVisible=1 status=0x00000000 result=0x80004005"));
    EXPECT_THAT(lines[3], HasSubstr(" Execute stream=none parent=0x0 parentVisible=0"));
    EXPECT_THAT(lines[4], HasSubstr(" Destroy"));
}

// ---- Hosting: a strict mock container ------------------------------------------------------------

// Shared by the site and the frame: every call, in order.
struct Recorder {
    CallLog calls;
    CallLog Take()
    {
        CallLog taken;
        taken.swap(calls);
        return taken;
    }
};

template <class... I>
class MockObject : public I... {
public:
    explicit MockObject(Recorder& recorder) : recorder_(recorder) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    long refs = 1;

protected:
    HRESULT Call(const std::string& name, HRESULT hr = S_OK)
    {
        recorder_.calls.push_back(name);
        return hr;
    }
    Recorder& recorder_;
};

class MockFrame final : public MockObject<IOleInPlaceFrame> {
public:
    using MockObject::MockObject;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) ||
            IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
            *object = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return Call("Frame.GetWindow", E_NOTIMPL); }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return Call("Frame.ContextSensitiveHelp"); }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return Call("Frame.GetBorder", E_NOTIMPL); }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return Call("Frame.RequestBorderSpace"); }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return Call("Frame.SetBorderSpace"); }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override
    {
        active = fw::ComPtr<IOleInPlaceActiveObject>(object);
        return Call(object ? "Frame.SetActiveObject" : "Frame.SetActiveObject(null)");
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return Call("Frame.InsertMenus"); }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return Call("Frame.SetMenu"); }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return Call("Frame.RemoveMenus"); }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return Call("Frame.SetStatusText"); }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return Call("Frame.EnableModeless"); }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override
    {
        return Call("Frame.TranslateAccelerator", S_FALSE);
    }

    // What the control made the active object: the host sends it the keys.
    fw::ComPtr<IOleInPlaceActiveObject> active;
};

class MockSite final : public MockObject<IOleClientSite, IOleInPlaceSite, IOleControlSite> {
public:
    MockSite(Recorder& recorder, HWND window, RECT rect)
        : MockObject(recorder), frame(recorder), window_(window), rect_(rect)
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        IUnknown* found = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            found = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
            found = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(iid, IID_IOleControlSite))
            found = static_cast<IOleControlSite*>(this);
        *object = found;
        if (!found)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return Call("SaveObject"); }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        *moniker = nullptr;
        return Call("GetMoniker", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        *container = nullptr;
        return Call("GetContainer", E_NOINTERFACE);
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return Call("ShowObject"); }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return Call("OnShowWindow"); }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return Call("RequestNewObjectLayout"); }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        *window = window_;
        return Call("GetWindow");
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return Call("ContextSensitiveHelp"); }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return Call("CanInPlaceActivate"); }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return Call("OnInPlaceActivate"); }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return Call("OnUIActivate"); }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frameOut, IOleInPlaceUIWindow** document,
                                               LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        *frameOut = &frame;
        frame.AddRef();
        *document = nullptr;
        *pos = rect_;
        *clip = rect_;
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return Call("GetWindowContext");
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return Call("Scroll"); }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return Call("OnUIDeactivate"); }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return Call("OnInPlaceDeactivate"); }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return Call("DiscardUndoState"); }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return Call("DeactivateAndUndo"); }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return Call("OnPosRectChange"); }

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return Call("OnControlInfoChanged"); }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return Call("LockInPlaceActive"); }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) override
    {
        *control = nullptr;
        return Call("GetExtendedControl", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override
    {
        return Call("TransformCoords", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg, DWORD modifiers) override
    {
        return Call("TranslateAccelerator " + std::to_string(msg->message == WM_KEYDOWN ? msg->wParam : 0) + " " +
                        std::to_string(modifiers),
                    acceleratorAnswer);
    }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL got) override { return Call(got ? "OnFocus(1)" : "OnFocus(0)"); }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return Call("ShowPropertyFrame", E_NOTIMPL); }

    MockFrame frame;
    HRESULT acceleratorAnswer = S_FALSE;

private:
    HWND window_;
    RECT rect_;
};

// The sink of the control's events: records the dispatch ids and may
// change the key of OnKeyPress.
class EventSink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, DIID_IFakeOptionsEvents)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        events.push_back(id);
        if (id == fw::afeKeyPress && params->cArgs == 1 && params->rgvarg[0].vt == (VT_I2 | VT_BYREF)) {
            SHORT& key = *params->rgvarg[0].piVal;
            keys.push_back(key);
            if (key == replaceKey)
                key = replacement;
        }
        return S_OK;
    }

    long refs = 1;
    std::vector<DISPID> events;
    std::vector<SHORT> keys;
    SHORT replaceKey = -1;
    SHORT replacement = 0;
};

class ForeignPlugin final : public IPixwellPlugin {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IPixwellPlugin)) {
            *object = static_cast<IPixwellPlugin*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR*, BSTR*, BSTR*, BSTR*, HRESULT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown*, LONG, HRESULT*) override { return E_NOTIMPL; }

    long refs = 1;
};

constexpr char kContainerClass[] = "ActiveFormTestContainer";
constexpr RECT kSiteRect{20, 30, 420, 130};

HWND CreateContainerWindow()
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kContainerClass;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        return RegisterClassA(&wc);
    }();
    (void)atom;
    HWND hwnd = CreateWindowExA(0, kContainerClass, "Container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                40, 40, 600, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(hwnd);
    return hwnd;
}

RECT ChildRect(HWND child)
{
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class HostingTest : public FakePluginTest {
protected:
    void SetUp() override
    {
        FakePluginTest::SetUp();
        container_ = CreateContainerWindow();
        site_ = std::make_unique<MockSite>(recorder_, container_, kSiteRect);
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FakeOptions, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                         control_.PutVoid()));
    }
    void TearDown() override
    {
        if (control_) {
            control_.As<IOleInPlaceObject>()->InPlaceDeactivate();
            control_->Close(OLECLOSE_NOSAVE);
            control_->SetClientSite(nullptr);
            control_ = nullptr;
        }
        EXPECT_EQ(1, site_->refs) << "the control gave back the site";
        EXPECT_EQ(1, site_->frame.refs) << "the control gave back the frame";
        DestroyWindow(container_);
        PumpMessages();
        FakePluginTest::TearDown();
    }

    HRESULT Activate(LONG verb)
    {
        return control_->DoVerb(verb, nullptr, site_.get(), 0, container_, &kSiteRect);
    }
    HWND ControlWindow()
    {
        HWND hwnd = nullptr;
        control_.As<IOleInPlaceObject>()->GetWindow(&hwnd);
        return hwnd;
    }
    HWND Child(const char* className, const char* text = nullptr)
    {
        return FindWindowExA(ControlWindow(), nullptr, className, text);
    }
    // The host's part of a key press: the active object first.
    HRESULT PressKey(UINT message, WPARAM key)
    {
        MSG msg{GetFocus(), message, key, 1, 0, {}};
        const HRESULT hr = site_->frame.active ? site_->frame.active->TranslateAccelerator(&msg) : E_UNEXPECTED;
        if (hr != S_OK) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return hr;
    }
    fw::ComPtr<IConnectionPoint> EventsPoint()
    {
        fw::ComPtr<IConnectionPoint> point;
        control_.As<IConnectionPointContainer>()->FindConnectionPoint(DIID_IFakeOptionsEvents, point.Put());
        return point;
    }

    Recorder recorder_;
    HWND container_ = nullptr;
    std::unique_ptr<MockSite> site_;
    fw::ComPtr<IOleObject> control_;
};

TEST_F(HostingTest, ShowVerbPutsTheFormIntoTheContainerAndTeardownTakesItAway)
{
    DWORD status = 0;
    EXPECT_EQ(S_OK, control_->GetMiscStatus(DVASPECT_CONTENT, &status));
    EXPECT_EQ(kControlMiscStatus, status);
    EXPECT_EQ(nullptr, ControlWindow()) << "no window before activation";

    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    EXPECT_THAT(recorder_.Take(), IsEmpty());
    ASSERT_EQ(S_OK, Activate(OLEIVERB_SHOW));
    EXPECT_THAT(recorder_.Take(),
                ElementsAre("CanInPlaceActivate", "OnInPlaceActivate", "GetWindow", "GetWindowContext", "ShowObject"));

    HWND form = ControlWindow();
    ASSERT_TRUE(form);
    EXPECT_EQ(container_, GetParent(form));
    EXPECT_TRUE(GetWindowLongA(form, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_TRUE(SameRect(kSiteRect, ChildRect(form)));
    EXPECT_TRUE(Child("Edit"));

    const RECT moved{50, 60, 250, 160};
    fw::ComPtr<IOleInPlaceObject> inPlace = control_.As<IOleInPlaceObject>();
    ASSERT_EQ(S_OK, inPlace->SetObjectRects(&moved, &moved));
    EXPECT_TRUE(SameRect(moved, ChildRect(form)));
    EXPECT_THAT(recorder_.Take(), IsEmpty());

    ASSERT_EQ(S_OK, inPlace->InPlaceDeactivate());
    EXPECT_THAT(recorder_.Take(), ElementsAre("OnInPlaceDeactivate"));
    EXPECT_EQ(nullptr, FindWindowExA(container_, nullptr, nullptr, nullptr)) << "the container is empty";
    EXPECT_EQ(S_OK, control_->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(S_OK, control_->SetClientSite(nullptr));
    inPlace = nullptr;
    control_ = nullptr;
    EXPECT_THAT(recorder_.Take(), IsEmpty());
    EXPECT_FALSE(IsWindow(form)) << "the last release destroys the form";
    EXPECT_EQ(S_OK, Library().canUnloadNow());
}

TEST_F(HostingTest, InPlaceActivationThenUIActivationTakesTheFocus)
{
    fw::ComPtr<IPersistStreamInit> persist = control_.As<IPersistStreamInit>();
    ASSERT_TRUE(persist);
    EXPECT_EQ(S_OK, persist->InitNew());
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_INPLACEACTIVATE));
    EXPECT_THAT(recorder_.Take(),
                ElementsAre("CanInPlaceActivate", "OnInPlaceActivate", "GetWindow", "GetWindowContext", "ShowObject"));

    ASSERT_EQ(S_OK, Activate(OLEIVERB_UIACTIVATE));
    PumpMessages();
    EXPECT_THAT(recorder_.Take(), ElementsAre("OnUIActivate", "Frame.SetActiveObject", "ShowObject", "OnFocus(1)"));
    EXPECT_EQ(Child("Edit"), GetFocus()) << "the first control has the focus";
    fw::ComPtr<IFakeOptions> options = control_.As<IFakeOptions>();
    VARIANT_BOOL active = VARIANT_FALSE;
    EXPECT_EQ(S_OK, options->get_Active(&active));
    EXPECT_EQ(VARIANT_TRUE, active);

    SetFocus(container_);
    PumpMessages();
    EXPECT_THAT(recorder_.Take(), ElementsAre("OnFocus(0)"));
    EXPECT_EQ(S_OK, options->get_Active(&active));
    EXPECT_EQ(VARIANT_FALSE, active);

    // A click into the control brings it back.
    SetFocus(Child("Button", "Second"));
    PumpMessages();
    EXPECT_THAT(recorder_.Take(), ElementsAre("OnFocus(1)"));

    ASSERT_EQ(S_OK, control_.As<IOleInPlaceObject>()->UIDeactivate());
    EXPECT_THAT(recorder_.Take(), ElementsAre("Frame.SetActiveObject(null)", "OnUIDeactivate"));
    EXPECT_FALSE(site_->frame.active);
}

TEST_F(HostingTest, ReleasingWithoutTheContainersTeardownStillDeactivates)
{
    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_SHOW));
    HWND form = ControlWindow();
    recorder_.Take();

    // A container that forgets InPlaceDeactivate: Close does it.
    EXPECT_EQ(S_OK, control_->Close(OLECLOSE_NOSAVE));
    EXPECT_THAT(recorder_.Take(), ElementsAre("OnInPlaceDeactivate"));
    EXPECT_EQ(S_OK, control_->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(S_OK, control_.As<IOleInPlaceObject>()->InPlaceDeactivate());
    EXPECT_THAT(recorder_.Take(), IsEmpty());

    // Activated again, then only released.
    ASSERT_EQ(S_OK, Activate(OLEIVERB_SHOW));
    recorder_.Take();
    control_ = nullptr;
    EXPECT_THAT(recorder_.Take(), ElementsAre("OnInPlaceDeactivate"));
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(nullptr, FindWindowExA(container_, nullptr, nullptr, nullptr));
}

TEST_F(HostingTest, EventsReachOnlyAConnectedSink)
{
    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_SHOW));
    HWND form = ControlWindow();

    fw::ComPtr<IProvideClassInfo2> classInfo = control_.As<IProvideClassInfo2>();
    GUID source{};
    ASSERT_EQ(S_OK, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualIID(DIID_IFakeOptionsEvents, source));
    fw::ComPtr<IConnectionPoint> none;
    EXPECT_EQ(CONNECT_E_NOCONNECTION,
              control_.As<IConnectionPointContainer>()->FindConnectionPoint(IID_IDispatch, none.Put()));
    fw::ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, control_.As<IConnectionPointContainer>()->EnumConnectionPoints(points.Put()));
    fw::ComPtr<IConnectionPoint> listed;
    ULONG fetched = 0;
    EXPECT_EQ(S_OK, points->Next(1, listed.Put(), &fetched));
    EXPECT_EQ(S_FALSE, points->Next(1, none.Put(), &fetched));
    IID iid{};
    listed->GetConnectionInterface(&iid);
    EXPECT_TRUE(IsEqualIID(DIID_IFakeOptionsEvents, iid));
    points = nullptr;
    listed = nullptr;

    EventSink sink;
    fw::ComPtr<IConnectionPoint> point = EventsPoint();
    ASSERT_TRUE(point);
    SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)); // nobody listens: nothing happens
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
    SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(form, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_THAT(sink.events, ElementsAre(fw::afeClick, fw::afeDblClick, fw::afePaint));
    sink.events.clear();

    fw::ComPtr<IOleControl> oleControl = control_.As<IOleControl>();
    EXPECT_EQ(S_OK, oleControl->FreezeEvents(TRUE));
    SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(S_OK, oleControl->FreezeEvents(FALSE));
    EXPECT_THAT(sink.events, IsEmpty()) << "frozen";

    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_THAT(sink.events, IsEmpty());
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
    EXPECT_EQ(1, sink.refs) << "the control gave back the sink";
}

TEST_F(HostingTest, KeyPressEventMayChangeOrSwallowTheKey)
{
    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_UIACTIVATE));
    PumpMessages();
    recorder_.Take();

    // KeyPreview, by name through the control's IDispatch.
    fw::ComPtr<IDispatch> dispatch = control_.As<IDispatch>();
    VARIANT on;
    VariantInit(&on);
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{&on, &putId, 1, 1};
    ASSERT_EQ(S_OK, dispatch->Invoke(DispId(*dispatch, L"KeyPreview"), IID_NULL, LOCALE_USER_DEFAULT,
                                     DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));

    EventSink sink;
    sink.replaceKey = 'a';
    sink.replacement = 'b';
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, EventsPoint()->Advise(&sink, &cookie));
    ASSERT_EQ(Child("Edit"), GetFocus());
    EXPECT_EQ(S_FALSE, PressKey(WM_CHAR, 'a'));
    EXPECT_EQ(S_FALSE, PressKey(WM_CHAR, 'c'));
    sink.replacement = 0;
    EXPECT_EQ(S_OK, PressKey(WM_CHAR, 'a')) << "a swallowed key is used up";

    char text[16] = {};
    GetWindowTextA(Child("Edit"), text, sizeof text);
    EXPECT_STREQ("bc", text);
    EXPECT_THAT(sink.keys, ElementsAre('a', 'c', 'a'));
    EXPECT_EQ(S_OK, EventsPoint()->Unadvise(cookie));
}

TEST_F(HostingTest, TabMovesThroughTheFormAndLeavesItAtTheEnds)
{
    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_UIACTIVATE));
    PumpMessages();
    recorder_.Take();
    ASSERT_TRUE(site_->frame.active) << "the control made itself the active object";
    HWND edit = Child("Edit"), first = Child("Button", "First"), second = Child("Button", "Second");
    ASSERT_EQ(edit, GetFocus());

    EXPECT_EQ(S_OK, PressKey(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(first, GetFocus());
    EXPECT_EQ(S_OK, PressKey(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(second, GetFocus());
    PumpMessages();
    EXPECT_THAT(recorder_.Take(), IsEmpty()) << "inside the form the container is not asked";

    // Off the last control: the container decides.
    EXPECT_EQ(S_FALSE, PressKey(WM_KEYDOWN, VK_TAB));
    EXPECT_THAT(recorder_.Take(), ElementsAre("TranslateAccelerator 9 0"));
    site_->acceleratorAnswer = S_OK;
    EXPECT_EQ(S_OK, PressKey(WM_KEYDOWN, VK_TAB)) << "the container's answer is passed on";
    EXPECT_EQ(second, GetFocus());
    recorder_.Take();

    // Shift+Tab goes back, and off the first control to the container.
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE shifted[256];
    memcpy(shifted, keys, sizeof keys);
    shifted[VK_SHIFT] = 0x80;
    SetKeyboardState(shifted);
    EXPECT_EQ(S_OK, PressKey(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(S_OK, PressKey(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(edit, GetFocus());
    EXPECT_THAT(recorder_.Take(), IsEmpty());
    PressKey(WM_KEYDOWN, VK_TAB);
    EXPECT_THAT(recorder_.Take(), ElementsAre("TranslateAccelerator 9 1"));
    SetKeyboardState(keys);

    // Keys the form does not use go to the container too; typing reaches
    // the edit box.
    site_->acceleratorAnswer = S_FALSE;
    EXPECT_EQ(S_FALSE, PressKey(WM_KEYDOWN, VK_F5));
    EXPECT_THAT(recorder_.Take(), ElementsAre("TranslateAccelerator 116 0"));
    EXPECT_EQ(S_FALSE, PressKey(WM_CHAR, 'x'));
    char text[16] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ("x", text);
}

TEST_F(HostingTest, StandardPropertiesByNameAndThroughTheVtable)
{
    // Before activation the form exists already and answers.
    fw::ComPtr<IDispatch> dispatch = control_.As<IDispatch>();
    ASSERT_TRUE(dispatch);
    EXPECT_EQ(DISPID_CAPTION, DispId(*dispatch, L"Caption"));
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"Hello");
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &putId, 1, 1};
    ASSERT_EQ(S_OK, dispatch->Invoke(DISPID_CAPTION, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put,
                                     nullptr, nullptr, nullptr));
    VariantClear(&value);
    DISPPARAMS none{};
    ASSERT_EQ(S_OK, dispatch->Invoke(DISPID_CAPTION, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                     &value, nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, value.vt);
    EXPECT_EQ(L"Hello", std::wstring(value.bstrVal));
    VariantClear(&value);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, dispatch->Invoke(DispId(*dispatch, L"Active"), IID_NULL, LOCALE_USER_DEFAULT,
                                                      DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr))
        << "Active is read-only";

    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_SHOW));
    HWND form = ControlWindow();
    char caption[16] = {};
    GetWindowTextA(form, caption, sizeof caption);
    EXPECT_STREQ("Hello", caption);

    fw::ComPtr<IFakeOptions> options = control_.As<IFakeOptions>();
    EXPECT_EQ(S_OK, options->put_Color(0x00336699));
    OLE_COLOR color = 0;
    EXPECT_EQ(S_OK, options->get_Color(&color));
    EXPECT_EQ(0x00336699u, color);

    EXPECT_EQ(S_OK, options->put_AxBorderStyle(afbSunken));
    EXPECT_TRUE(GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(S_OK, options->put_AxBorderStyle(afbSingle));
    EXPECT_TRUE(GetWindowLongA(form, GWL_STYLE) & WS_BORDER);
    EXPECT_FALSE(GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(E_INVALIDARG, options->put_AxBorderStyle(static_cast<TxActiveFormBorderStyle>(7)));
    TxActiveFormBorderStyle border = afbNone;
    EXPECT_EQ(S_OK, options->get_AxBorderStyle(&border));
    EXPECT_EQ(afbSingle, border);

    EXPECT_EQ(S_OK, options->put_Enabled(VARIANT_FALSE));
    EXPECT_FALSE(IsWindowEnabled(form));
    EXPECT_EQ(S_OK, options->put_Enabled(VARIANT_TRUE));
    EXPECT_EQ(S_OK, options->put_PrintScale(poPrintToFit));
    TxPrintScale scale = poNone;
    EXPECT_EQ(S_OK, options->get_PrintScale(&scale));
    EXPECT_EQ(poPrintToFit, scale);
    LONG docked = -1;
    EXPECT_EQ(S_OK, options->get_VisibleDockClientCount(&docked));
    EXPECT_EQ(0, docked);
    EXPECT_EQ(E_POINTER, options->get_Visible(nullptr));

    // Font: an OLE font object in, the form's font out.
    fw::ComPtr<IFontDisp> font;
    ASSERT_EQ(S_OK, options->get_Font(font.Put()));
    fw::BStr name;
    ASSERT_EQ(S_OK, font.As<IFont>()->get_Name(name.Put()));
    EXPECT_EQ("MS Sans Serif", name.ToString());
    FONTDESC desc{sizeof desc, const_cast<LPOLESTR>(L"Tahoma"), {}, FW_BOLD, DEFAULT_CHARSET, FALSE, FALSE, FALSE};
    desc.cySize.int64 = 120000;
    fw::ComPtr<IFontDisp> tahoma;
    ASSERT_EQ(S_OK, OleCreateFontIndirect(&desc, IID_IFontDisp, tahoma.PutVoid()));
    EXPECT_EQ(S_OK, options->putref_Font(tahoma.Get()));
    ASSERT_EQ(S_OK, options->get_Font(font.Put()));
    BOOL bold = FALSE;
    CY size{};
    font.As<IFont>()->get_Name(name.Put());
    font.As<IFont>()->get_Bold(&bold);
    font.As<IFont>()->get_Size(&size);
    EXPECT_EQ("Tahoma", name.ToString());
    EXPECT_TRUE(bold);
    EXPECT_EQ(120000, size.int64);
    EXPECT_EQ(E_POINTER, options->put_Font(nullptr));
}

TEST_F(HostingTest, OptionsControlRecordsTheHostsCalls)
{
    SetKnob(CLSID_FakePluginObject2, "SaveSettingsResult", static_cast<DWORD>(E_FAIL));
    fw::ComPtr<IPixwellPluginOptions> options = control_.As<IPixwellPluginOptions>();
    ASSERT_TRUE(options);
    fw::ComPtr<IPixwellPlugin> plugin;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FakePluginObject2, nullptr, CLSCTX_INPROC_SERVER, IID_IPixwellPlugin,
                                     plugin.PutVoid()));
    ForeignPlugin foreign;
    EXPECT_EQ(E_NOINTERFACE, options->SetPlugin(&foreign));
    EXPECT_EQ(1, foreign.refs) << "nothing of a refused object is kept";
    ASSERT_EQ(S_OK, options->SetPlugin(plugin.Get()));

    ASSERT_EQ(S_OK, control_->SetClientSite(site_.get()));
    ASSERT_EQ(S_OK, Activate(OLEIVERB_UIACTIVATE));
    PumpMessages();
    SetWindowTextA(Child("Edit"), "typed \"text\"");
    EXPECT_EQ(S_OK, options->Notify(nmGetFocus));
    SetFocus(container_);
    EXPECT_EQ(S_OK, options->Notify(nmLostFocus));
    HRESULT result = S_OK;
    EXPECT_EQ(S_OK, options->SaveSettings(&result));
    EXPECT_EQ(E_FAIL, result);

    SetKnob(CLSID_FakePluginObject2, "SaveSettingsStatus", static_cast<DWORD>(E_UNEXPECTED));
    SetKnob(CLSID_FakePluginObject2, "SaveSettingsErrorText", "Not now");
    EXPECT_EQ(E_UNEXPECTED, options->SaveSettings(&result));
    EXPECT_EQ("Not now", ErrorDescription());

    EXPECT_THAT(log_.Events("SetPlugin"), ElementsAre("SetPlugin plugin=foreign status=0x00000000",
                                                       testing::MatchesRegex("SetPlugin plugin=FakePluginObject2#\\d+ status=0x00000000")));
    EXPECT_THAT(log_.Events("Notify"), ElementsAre("Notify msg=1 focus=inside status=0x00000000",
                                                    "Notify msg=0 focus=outside status=0x00000000"));
    EXPECT_THAT(log_.Events("SaveSettings"),
                ElementsAre("SaveSettings focus=outside text=\"typed \\\"text\\\"\" status=0x00000000 result=0x80004005",
                            "SaveSettings focus=outside text=\"typed \\\"text\\\"\" status=0x8000FFFF result=0x80004005"));
}

TEST_F(FakePluginTest, FailingOptionsCreationFailsTheControlsCreation)
{
    SetKnob(CLSID_FakePluginObject, "OptionsCreateStatus", static_cast<DWORD>(E_ACCESSDENIED));
    SetKnob(CLSID_FakePluginObject, "OptionsCreateErrorText", "Error loading Recent directories");
    fw::ComPtr<IOleObject> control;
    EXPECT_EQ(E_ACCESSDENIED, CoCreateInstance(CLSID_FakeOptions, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                               control.PutVoid()));
    EXPECT_FALSE(control);
    EXPECT_EQ("Error loading Recent directories", ErrorDescription());
    EXPECT_THAT(log_.Events("Destroy"), testing::SizeIs(1)) << "the half-made control is gone";
    EXPECT_EQ(S_OK, Library().canUnloadNow());
}

} // namespace
