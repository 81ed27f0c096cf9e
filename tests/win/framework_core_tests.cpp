// The framework's COM and registry core under Wine: GUID text, ProgIDs and
// object creation, error information in both directions, BSTRs, counted
// references, and the registry key with its four-byte reads.
// COM objects are destroyed through Release, never through a base pointer,
// and COM's interfaces have no virtual destructor to inherit.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <span>
#include <string>
#include <vector>

#include "com/Com.h"
#include "com/ComObject.h"
#include "base/Registry.h"

using testing::HasSubstr;
using testing::UnorderedElementsAre;

namespace {

constexpr char kTestRoot[] = "Software\\VistrelTests\\FrameworkCore";

// {04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}
constexpr GUID kSampleGuid = {0x04E83EA8, 0x4C59, 0x4F35, {0x87, 0x20, 0xB6, 0xB5, 0xDD, 0xDB, 0x83, 0xFE}};
// A class made up for these tests; registered only while a test needs it.
constexpr GUID kTestClsid = {0x5C1E0A41, 0x77D2, 0x4B1B, {0x9A, 0x3E, 0x21, 0x6F, 0x4D, 0x80, 0xC2, 0x19}};
constexpr char kTestProgId[] = "VistrelTests.CoreObject";

// An IUnknown that counts its references, so tests can see every AddRef and
// Release a wrapper makes.
class Counted : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    long refs = 1;
};

// A class object whose CreateInstance either hands out `product` or fails
// through ComMethod with `failure`.
class TestFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override
    {
        return fw::ComMethod({"VistrelTests.Factory", &IID_IClassFactory}, [&] {
            *out = nullptr;
            if (!failure.empty())
                throw fw::Error(failure, CLASS_E_CLASSNOTAVAILABLE);
            return product.QueryInterface(iid, out);
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    Counted product;
    std::string failure;
};

// Registers `factory` with COM for kTestClsid for the scope.
class ScopedClassObject {
public:
    explicit ScopedClassObject(IClassFactory* factory)
    {
        fw::OleCheck(CoRegisterClassObject(kTestClsid, factory, CLSCTX_LOCAL_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie_));
    }
    ~ScopedClassObject() { CoRevokeClassObject(cookie_); }

private:
    DWORD cookie_ = 0;
};

void SetRaw(HKEY key, const char* name, DWORD type, const void* data, DWORD size)
{
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
}

class ComTest : public testing::Test {
protected:
    fw::ComInit com_{fw::ComInit::Kind::Ole};
};

// ---------------------------------------------------------------------------
// GUID text

TEST(GuidText, FormatsUpperCaseBraceFormAndParsesBothCases)
{
    EXPECT_EQ("{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}", fw::GUIDToString(kSampleGuid));
    EXPECT_EQ(kSampleGuid, fw::StringToGUID("{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}"));
    EXPECT_EQ(kSampleGuid, fw::StringToGUID("{04e83ea8-4c59-4f35-8720-b6b5dddb83fe}"));
    EXPECT_EQ(kSampleGuid, fw::StringToGUID("{04e83EA8-4C59-4f35-8720-B6b5dddb83FE}"));

    GUID fresh{};
    ASSERT_EQ(S_OK, CoCreateGuid(&fresh));
    const std::string text = fw::GUIDToString(fresh);
    EXPECT_EQ(38u, text.size());
    EXPECT_EQ(fresh, fw::StringToGUID(text));
    // Agrees with the system's own formatting.
    wchar_t system[40];
    ASSERT_EQ(39, StringFromGUID2(fresh, system, 40));
    EXPECT_EQ(fw::WideToAnsi(system), text);
}

TEST(GuidText, RejectsAnythingButTheBraceFormWithAClearMessage)
{
    const std::string bad[] = {
        "",
        "{04E83EA8-4C59-4F35-8720-B6B5DDDB83F}",    // one digit short
        "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE0}",  // one digit long
        "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}x",  // trailing text
        "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FG}",   // not hexadecimal
        "{04E83EA8-4C59-4F35+8720-B6B5DDDB83FE}",   // wrong separator
        "04E83EA8-4C59-4F35-8720-B6B5DDDB83FE",     // no braces
        " {04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}",  // leading blank
        "VistrelTests.NoSuchClass",                 // unregistered ProgID
        std::string("{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}\0", 39),
    };
    for (const std::string& text : bad) {
        GUID out = kTestClsid;
        EXPECT_FALSE(fw::TryStringToGUID(text, out)) << text;
        EXPECT_EQ(kTestClsid, out) << "left untouched on failure: " << text;
        try {
            fw::StringToGUID(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const fw::Error& e) {
            EXPECT_EQ("'" + std::string(text.c_str()) + "' is not a valid GUID value",
                      std::string(e.what()));
            EXPECT_TRUE(FAILED(e.code()));
        }
    }
}

// ---------------------------------------------------------------------------
// ProgIDs and object creation

class ClassRegistration : public ComTest {
protected:
    void SetUp() override
    {
        const std::string clsid = fw::GUIDToString(kTestClsid);
        fw::RegKey byProgId = fw::RegKey::TryCreate(HKEY_CLASSES_ROOT,
                                                    (std::string(kTestProgId) + "\\CLSID").c_str());
        ASSERT_TRUE(byProgId);
        ASSERT_EQ(ERROR_SUCCESS, byProgId.WriteString("", clsid));
        fw::RegKey byClsid =
            fw::RegKey::TryCreate(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\ProgID").c_str());
        ASSERT_TRUE(byClsid);
        ASSERT_EQ(ERROR_SUCCESS, byClsid.WriteString("", kTestProgId));
    }
    void TearDown() override
    {
        fw::RegKey::DeleteKey(HKEY_CLASSES_ROOT, kTestProgId, true);
        fw::RegKey::DeleteKey(HKEY_CLASSES_ROOT, ("CLSID\\" + fw::GUIDToString(kTestClsid)).c_str(),
                              true);
    }
};

TEST_F(ClassRegistration, ProgIdMapsBothWays)
{
    EXPECT_EQ(kTestClsid, fw::StringToGUID(kTestProgId));
    EXPECT_EQ(kTestProgId, fw::ClassIDToProgID(kTestClsid));
}

TEST_F(ComTest, ClassWithoutProgIdRaises)
{
    try {
        fw::ClassIDToProgID(kSampleGuid);
        FAIL() << "no ProgID is registered for the sample class";
    } catch (const fw::Error& e) {
        EXPECT_TRUE(FAILED(e.code()));
        EXPECT_STRNE("", e.what());
    }
}

TEST_F(ComTest, CreateComObjectUsesTheRegisteredClassObject)
{
    TestFactory factory;
    ScopedClassObject registered(&factory);

    fw::ComPtr<IUnknown> object = fw::CreateComObject(kTestClsid);
    ASSERT_TRUE(object);
    EXPECT_EQ(static_cast<IUnknown*>(&factory.product), object.Get());
    EXPECT_EQ(2, factory.product.refs);
    object.Reset();
    EXPECT_EQ(1, factory.product.refs);
}

TEST_F(ComTest, CreateComObjectRaisesTheServersErrorText)
{
    TestFactory factory;
    factory.failure = "Error opening general registry key";
    ScopedClassObject registered(&factory);

    try {
        fw::CreateComObject(kTestClsid);
        FAIL() << "creation should have failed";
    } catch (const fw::Error& e) {
        EXPECT_STREQ("Error opening general registry key", e.what());
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, e.code());
    }
}

TEST_F(ComTest, CreateComObjectOfUnknownClassRaisesWithoutStaleText)
{
    // Error information left behind by someone else must not become the text.
    fw::SetComError("stale text", E_FAIL);
    try {
        fw::CreateComObject(kSampleGuid);
        FAIL() << "the sample class is not registered";
    } catch (const fw::Error& e) {
        EXPECT_EQ(REGDB_E_CLASSNOTREG, e.code());
        EXPECT_THAT(e.what(), testing::Not(HasSubstr("stale")));
    }
}

// ---------------------------------------------------------------------------
// Error information: ComMethod sets it, OleCheck raises it

struct ErrorInfoSeen {
    std::string description, source;
    GUID guid{};
};

ErrorInfoSeen TakeErrorInfo()
{
    ErrorInfoSeen seen;
    fw::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info)
        return seen;
    fw::BStr text;
    info->GetDescription(text.Put());
    seen.description = text.ToString();
    info->GetSource(text.Put());
    seen.source = text.ToString();
    info->GetGUID(&seen.guid);
    return seen;
}

TEST_F(ComTest, ComMethodPassesResultsOfBodiesThatEndNormally)
{
    SetErrorInfo(0, nullptr);
    int ran = 0;
    EXPECT_EQ(S_OK, fw::ComMethod([&] { ++ran; }));
    EXPECT_EQ(S_FALSE, fw::ComMethod([&] { ++ran; return S_FALSE; }));
    EXPECT_EQ(E_NOINTERFACE, fw::ComMethod([&] { ++ran; return E_NOINTERFACE; }));
    EXPECT_EQ(3, ran);
    EXPECT_EQ("", TakeErrorInfo().description);
}

TEST_F(ComTest, ComMethodTurnsEachKindOfExceptionIntoStatusAndErrorInfo)
{
    const IID& iid = IID_IClassFactory;
    const fw::ErrorOrigin origin{"VistrelTests.Object", &iid};

    EXPECT_EQ(E_ACCESSDENIED, fw::ComMethod(origin, [] { throw fw::Error("Denied here", E_ACCESSDENIED); }));
    ErrorInfoSeen seen = TakeErrorInfo();
    EXPECT_EQ("Denied here", seen.description);
    EXPECT_EQ("VistrelTests.Object", seen.source);
    EXPECT_EQ(IID_IClassFactory, seen.guid);

    // An error that carries a success code must still report failure.
    EXPECT_EQ(E_FAIL, fw::ComMethod([] { throw fw::Error("Not really fine", S_OK); }));
    EXPECT_EQ("Not really fine", TakeErrorInfo().description);

    EXPECT_EQ(E_FAIL, fw::ComMethod([]() -> HRESULT { throw std::runtime_error("Plain failure"); }));
    seen = TakeErrorInfo();
    EXPECT_EQ("Plain failure", seen.description);
    EXPECT_EQ(GUID_NULL, seen.guid);

    EXPECT_EQ(E_OUTOFMEMORY, fw::ComMethod([] { throw std::bad_alloc(); }));
    EXPECT_EQ(fw::kOutOfMemoryText, TakeErrorInfo().description);

    EXPECT_EQ(E_FAIL, fw::ComMethod([] { throw 42; }));
    EXPECT_EQ(fw::kUnknownExceptionText, TakeErrorInfo().description);
}

TEST_F(ComTest, OleCheckRaisesTheObjectsErrorTextOnce)
{
    TestFactory factory;
    factory.failure = "Error reading plugin settings";
    void* out = &factory;
    const HRESULT hr = factory.CreateInstance(nullptr, IID_IUnknown, &out);
    EXPECT_EQ(nullptr, out);
    try {
        fw::OleCheck(hr);
        FAIL() << "a failure status must raise";
    } catch (const fw::Error& e) {
        EXPECT_STREQ("Error reading plugin settings", e.what());
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, e.code());
    }
    // The information was consumed: the next failure gets the system's text.
    try {
        fw::OleCheck(E_NOINTERFACE);
        FAIL();
    } catch (const fw::Error& e) {
        EXPECT_EQ(fw::SystemMessage(static_cast<DWORD>(E_NOINTERFACE)), e.what());
        EXPECT_STRNE("Error reading plugin settings", e.what());
        EXPECT_EQ(E_NOINTERFACE, e.code());
    }
    EXPECT_NO_THROW(fw::OleCheck(S_OK));
    EXPECT_NO_THROW(fw::OleCheck(S_FALSE));
}

// ---------------------------------------------------------------------------
// BSTR and counted references

TEST(BStr, ConvertsBothWaysAndTreatsNullAsEmpty)
{
    fw::BStr null;
    EXPECT_EQ(nullptr, null.Get());
    EXPECT_TRUE(null.Empty());
    EXPECT_EQ("", null.ToString());
    EXPECT_EQ(L"", null.ToWString());

    fw::BStr hello(std::string("Hello, world"));
    EXPECT_EQ(12u, hello.Length());
    EXPECT_EQ(12u, SysStringLen(hello.Get()));
    EXPECT_EQ(L"Hello, world", hello.ToWString());
    EXPECT_EQ("Hello, world", hello.ToString());

    fw::BStr wide(std::wstring(L"E-mail File plugin"));
    EXPECT_EQ("E-mail File plugin", wide.ToString());

    // Embedded zeros survive; empty text is an allocated empty string.
    fw::BStr zeros(std::string("a\0b", 3));
    EXPECT_EQ(3u, zeros.Length());
    EXPECT_EQ(std::string("a\0b", 3), zeros.ToString());
    fw::BStr empty{std::string()};
    EXPECT_NE(nullptr, empty.Get());
    EXPECT_EQ(0u, empty.Length());
}

TEST(BStr, ConvertsThroughTheAnsiCodePage)
{
    // The same byte and character as the system's own conversion gives.
    const std::string ansi = "caf\xE9";
    wchar_t expected[8] = {};
    ASSERT_EQ(4, MultiByteToWideChar(CP_ACP, 0, ansi.data(), 4, expected, 8));
    fw::BStr text(ansi);
    EXPECT_EQ(std::wstring(expected, 4), text.ToWString());
    EXPECT_EQ(ansi, text.ToString());
}

TEST(BStr, HandsOwnershipInAndOut)
{
    fw::BStr text(std::string("GetPluginInfo"));
    fw::BStr copy(text);
    EXPECT_NE(text.Get(), copy.Get());
    EXPECT_EQ("GetPluginInfo", copy.ToString());

    BSTR out = text.Detach();
    EXPECT_EQ(nullptr, text.Get());
    fw::BStr adopted = fw::BStr::Adopt(out);
    EXPECT_EQ(out, adopted.Get());

    fw::BStr moved(std::move(adopted));
    EXPECT_EQ(out, moved.Get());
    EXPECT_EQ(nullptr, adopted.Get());

    BSTR slot = nullptr;
    fw::SetOutBStr(&slot, "Send your picture by e-mail");
    fw::BStr received = fw::BStr::Adopt(slot);
    EXPECT_EQ("Send your picture by e-mail", received.ToString());
    try {
        fw::SetOutBStr(nullptr, "x");
        FAIL();
    } catch (const fw::Error& e) {
        EXPECT_EQ(E_POINTER, e.code());
    }
}

TEST(ComPtr, CountsReferencesOnEveryPath)
{
    Counted object;
    {
        fw::ComPtr<IUnknown> shared(&object);
        EXPECT_EQ(2, object.refs);
        fw::ComPtr<IUnknown> copy = shared;
        EXPECT_EQ(3, object.refs);
        fw::ComPtr<IUnknown> moved = std::move(copy);
        EXPECT_EQ(3, object.refs);
        EXPECT_FALSE(copy);
        copy = moved;
        EXPECT_EQ(4, object.refs);
        copy = nullptr;
        EXPECT_EQ(3, object.refs);
        moved.Reset();
        EXPECT_EQ(2, object.refs);
    }
    EXPECT_EQ(1, object.refs);

    fw::ComPtr<IUnknown> owner;
    object.AddRef();
    owner.Attach(&object);
    EXPECT_EQ(2, object.refs);
    IUnknown* raw = owner.Detach();
    EXPECT_EQ(2, object.refs);
    raw->Release();

    // Out parameters: whatever was held is released before the call fills it.
    fw::ComPtr<IUnknown> slot(&object);
    EXPECT_EQ(2, object.refs);
    IUnknown** put = &slot;
    EXPECT_EQ(1, object.refs);
    EXPECT_EQ(nullptr, *put);
}

TEST(ComPtr, QueriesInterfaces)
{
    Counted object;
    fw::ComPtr<IUnknown> unknown(&object);
    fw::ComPtr<IUnknown> again = unknown.As<IUnknown>();
    EXPECT_EQ(unknown, again);
    EXPECT_EQ(3, object.refs);

    fw::ComPtr<IStream> stream;
    EXPECT_EQ(E_NOINTERFACE, unknown.As(stream));
    EXPECT_FALSE(stream);
    EXPECT_FALSE(unknown.As<IStream>());
    EXPECT_EQ(E_POINTER, fw::ComPtr<IUnknown>().As(stream));
    EXPECT_EQ(3, object.refs);
}

// An object of the kit with an aliased interface (IPersist through
// IPersistStream) whose final clean-up takes and gives back a reference, as
// a control's deactivation does.
class KitObject final : public fw::ComObject<KitObject, IPersistStream, IOleWindow> {
public:
    explicit KitObject(int& finals, int& deletes) : finals_(finals), deletes_(deletes) {}

    static std::span<const fw::InterfaceEntry> InterfaceMap() noexcept
    {
        static const fw::InterfaceEntry map[] = {
            fw::InterfaceOf<KitObject, IPersistStream>(),
            fw::InterfaceOf<KitObject, IPersist, IPersistStream>(),
            fw::InterfaceOf<KitObject, IOleWindow>(),
        };
        return map;
    }
    void FinalRelease() noexcept
    {
        ++finals_;
        AddRef();
        Release();
    }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    ~KitObject() override { ++deletes_; }
    int& finals_;
    int& deletes_;
};

TEST(ComObjectKit, AnswersFromItsMapWithOneIdentityAndDiesOnceOnTheLastRelease)
{
    int finals = 0, deletes = 0;
    auto* object = new KitObject(finals, deletes);
    IPersistStream* stream = object;

    fw::ComPtr<IUnknown> identity, again;
    ASSERT_EQ(stream->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    fw::ComPtr<IOleWindow> window;
    ASSERT_EQ(stream->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
    ASSERT_EQ(window->QueryInterface(IID_IUnknown, again.PutVoid()), S_OK);
    EXPECT_EQ(identity.Get(), again.Get()); // the same identity from every interface
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(stream));

    fw::ComPtr<IPersist> persist;
    ASSERT_EQ(window->QueryInterface(IID_IPersist, persist.PutVoid()), S_OK);
    EXPECT_EQ(static_cast<void*>(persist.Get()), static_cast<void*>(stream));

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(stream->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    identity = nullptr;
    again = nullptr;
    window = nullptr;
    persist = nullptr;
    EXPECT_EQ(deletes, 0);
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(finals, 1); // the reference taken during clean-up started nothing again
    EXPECT_EQ(deletes, 1);
}

TEST(ComInit, JoinsASingleThreadedApartmentForItsLifetime)
{
    {
        fw::ComInit ole(fw::ComInit::Kind::Ole);
        fw::ComInit nested;
        EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    }
    // Fully uninitialised again: the thread may now choose another model.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, hr);
    if (SUCCEEDED(hr))
        CoUninitialize();
}

// ---------------------------------------------------------------------------
// Registry key

class RegistryTest : public testing::Test {
protected:
    void SetUp() override
    {
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, kTestRoot, true);
        key_ = fw::RegKey::TryCreate(HKEY_CURRENT_USER, kTestRoot);
        ASSERT_TRUE(key_);
    }
    void TearDown() override
    {
        key_.Close();
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, kTestRoot, true);
    }

    fw::RegKey key_;
};

TEST_F(RegistryTest, ReadDwordTakesFourRawBytesOrTheDefault)
{
    EXPECT_EQ(10u, key_.ReadDword("MaxHistorySteps", 10));

    SetRaw(key_.Get(), "QuickMode", REG_DWORD, "\x00\x01\x00\x00", 4);
    EXPECT_EQ(256u, key_.ReadDword("QuickMode", 7));
    const DWORD negative = static_cast<DWORD>(-3);
    SetRaw(key_.Get(), "Signed", REG_DWORD, &negative, 4);
    EXPECT_EQ(-3, static_cast<LONG>(key_.ReadDword("Signed", 10)));

    // The stored type is not looked at: four bytes of a string are a number.
    SetRaw(key_.Get(), "ShortText", REG_SZ, "ab\0", 3);
    EXPECT_EQ(0x6261u, key_.ReadDword("ShortText", 7));
    SetRaw(key_.Get(), "LongText", REG_SZ, "abcdefg\0", 8);
    EXPECT_EQ(7u, key_.ReadDword("LongText", 7));

    const unsigned long long wide = 0x0000000100000002ull;
    SetRaw(key_.Get(), "Wide", REG_QWORD, &wide, 8);
    EXPECT_EQ(9u, key_.ReadDword("Wide", 9));

    // Shorter data is zero-extended, never mixed with stale buffer bytes.
    SetRaw(key_.Get(), "Byte", REG_BINARY, "\xFF", 1);
    EXPECT_EQ(0xFFu, key_.ReadDword("Byte", 7));
    SetRaw(key_.Get(), "Nothing", REG_BINARY, "", 0);
    EXPECT_EQ(0u, key_.ReadDword("Nothing", 7));

    EXPECT_EQ(5u, fw::RegKey().ReadDword("QuickMode", 5));
}

TEST_F(RegistryTest, WriteDwordStoresFourBytesAndReportsFailure)
{
    ASSERT_EQ(ERROR_SUCCESS, key_.WriteDword("LeaveInClipboard", 1));
    DWORD type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_.Get(), "LeaveInClipboard", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(4u, size);
    EXPECT_EQ(1u, value);
    EXPECT_EQ(1u, key_.ReadDword("LeaveInClipboard", 0));

    EXPECT_NE(ERROR_SUCCESS, fw::RegKey().WriteDword("LeaveInClipboard", 1));
}

TEST_F(RegistryTest, StringsRoundTripWithTerminatorAndOddDataIsReadSafely)
{
    std::string text;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.ReadString("Pixwell", text));

    const std::string path = "C:\\Program Files\\Vistrel\\vistrel.exe";
    ASSERT_EQ(ERROR_SUCCESS, key_.WriteString("Pixwell", path));
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_.Get(), "Pixwell", nullptr, &type, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(path.size() + 1, size);
    ASSERT_EQ(ERROR_SUCCESS, key_.ReadString("Pixwell", text));
    EXPECT_EQ(path, text);

    ASSERT_EQ(ERROR_SUCCESS, key_.WriteString("", "SaveToFile plugin"));
    ASSERT_EQ(ERROR_SUCCESS, key_.ReadString("", text));
    EXPECT_EQ("SaveToFile plugin", text);

    ASSERT_EQ(ERROR_SUCCESS, key_.WriteString("Empty", ""));
    text = "old";
    ASSERT_EQ(ERROR_SUCCESS, key_.ReadString("Empty", text));
    EXPECT_EQ("", text);

    const std::string big(100000, 'x');
    ASSERT_EQ(ERROR_SUCCESS, key_.WriteString("Big", big));
    ASSERT_EQ(ERROR_SUCCESS, key_.ReadString("Big", text));
    EXPECT_EQ(big, text);

    SetRaw(key_.Get(), "Unterminated", REG_SZ, "C:\\Temp\\", 8);
    ASSERT_EQ(ERROR_SUCCESS, key_.ReadString("Unterminated", text));
    EXPECT_EQ("C:\\Temp\\", text);
    SetRaw(key_.Get(), "Inner", REG_SZ, "ab\0cd\0", 6);
    ASSERT_EQ(ERROR_SUCCESS, key_.ReadString("Inner", text));
    EXPECT_EQ("ab", text);

    SetRaw(key_.Get(), "Number", REG_DWORD, "\x01\x00\x00\x00", 4);
    text = "kept";
    EXPECT_EQ(ERROR_INVALID_DATATYPE, key_.ReadString("Number", text));
    EXPECT_EQ("kept", text);
}

TEST_F(RegistryTest, ValuesExistUntilDeleted)
{
    EXPECT_FALSE(key_.ValueExists("Pixwell"));
    ASSERT_EQ(ERROR_SUCCESS, key_.WriteString("Pixwell", "x"));
    EXPECT_TRUE(key_.ValueExists("Pixwell"));
    EXPECT_EQ(ERROR_SUCCESS, key_.DeleteValue("Pixwell"));
    EXPECT_FALSE(key_.ValueExists("Pixwell"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.DeleteValue("Pixwell"));
}

TEST_F(RegistryTest, OpensCreatesAndClosesKeys)
{
    const std::string deep = std::string(kTestRoot) + "\\Plugins\\{A}\\Recent";
    LONG status = ERROR_SUCCESS;
    fw::RegKey missing = fw::RegKey::TryOpen(HKEY_CURRENT_USER, deep.c_str(), &status);
    EXPECT_FALSE(missing);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, status);

    fw::RegKey created = fw::RegKey::TryCreate(HKEY_CURRENT_USER, deep.c_str(), &status);
    EXPECT_TRUE(created);
    EXPECT_EQ(ERROR_SUCCESS, status);
    EXPECT_EQ(ERROR_SUCCESS, created.WriteDword("Marker", 42));

    fw::RegKey opened = fw::RegKey::TryOpen(HKEY_CURRENT_USER, deep.c_str());
    ASSERT_TRUE(opened);
    EXPECT_EQ(42u, opened.ReadDword("Marker", 0));

    fw::RegKey moved = std::move(opened);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(moved);
    EXPECT_EQ(ERROR_SUCCESS, moved.Close());
    EXPECT_FALSE(moved);
    EXPECT_EQ(ERROR_SUCCESS, moved.Close());
}

TEST_F(RegistryTest, EnumeratesSubkeyNamesAndValues)
{
    std::vector<std::string> names;
    EXPECT_EQ(ERROR_SUCCESS, key_.EnumKeyNames(names));
    EXPECT_TRUE(names.empty());

    for (const char* name : {"{7725CB74-418B-4D66-A48E-453CDD089DE2}",
                             "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}", "with blank"})
        ASSERT_TRUE(fw::RegKey::TryCreate(key_.Get(), name));
    ASSERT_EQ(ERROR_SUCCESS, key_.EnumKeyNames(names));
    EXPECT_THAT(names, UnorderedElementsAre("{7725CB74-418B-4D66-A48E-453CDD089DE2}",
                                            "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}", "with blank"));

    ASSERT_EQ(ERROR_SUCCESS, key_.WriteString("Directory_0", "C:\\Temp\\"));
    SetRaw(key_.Get(), "Directory_1", REG_SZ, "D:\\", 3);
    ASSERT_EQ(ERROR_SUCCESS, key_.WriteDword("Count", 0x01020304));
    SetRaw(key_.Get(), "Blob", REG_BINARY, "\x00\x01\x02", 3);

    fw::RegKeyInfo info;
    ASSERT_EQ(ERROR_SUCCESS, key_.QueryInfo(info));
    EXPECT_EQ(3u, info.subKeys);
    EXPECT_EQ(4u, info.values);

    std::vector<fw::RegValue> values;
    ASSERT_EQ(ERROR_SUCCESS, key_.EnumValues(values));
    ASSERT_EQ(4u, values.size());
    auto find = [&](const std::string& name) {
        auto it = std::find_if(values.begin(), values.end(),
                               [&](const fw::RegValue& v) { return v.name == name; });
        return it == values.end() ? fw::RegValue{} : *it;
    };
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), find("Directory_0").type);
    EXPECT_EQ("C:\\Temp\\", find("Directory_0").Text());
    EXPECT_EQ("D:\\", find("Directory_1").Text());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), find("Count").type);
    EXPECT_EQ((std::vector<uint8_t>{4, 3, 2, 1}), find("Count").data);
    EXPECT_EQ((std::vector<uint8_t>{0, 1, 2}), find("Blob").data);

    // A key that is not open reports the registry's error and adds nothing.
    names.clear();
    EXPECT_NE(ERROR_SUCCESS, fw::RegKey().EnumKeyNames(names));
    EXPECT_TRUE(names.empty());
}

TEST_F(RegistryTest, DeletesKeysWithSubkeysOnlyWhenAsked)
{
    const std::string plugin = std::string(kTestRoot) + "\\Plugin";
    ASSERT_TRUE(fw::RegKey::TryCreate(HKEY_CURRENT_USER, (plugin + "\\Recent\\Deeper").c_str()));
    ASSERT_TRUE(fw::RegKey::TryCreate(HKEY_CURRENT_USER, (plugin + "\\Other").c_str()));

    EXPECT_NE(ERROR_SUCCESS, fw::RegKey::DeleteKey(HKEY_CURRENT_USER, plugin.c_str()));
    EXPECT_TRUE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, (plugin + "\\Recent\\Deeper").c_str()));

    EXPECT_EQ(ERROR_SUCCESS, fw::RegKey::DeleteKey(HKEY_CURRENT_USER, plugin.c_str(), true));
    EXPECT_FALSE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, plugin.c_str()));
    EXPECT_TRUE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, kTestRoot));

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, fw::RegKey::DeleteKey(HKEY_CURRENT_USER, plugin.c_str(), true));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, fw::RegKey::DeleteKey(key_.Get(), "", true));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, fw::RegKey::DeleteKey(key_.Get(), nullptr));
    EXPECT_TRUE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, kTestRoot));
}

} // namespace
