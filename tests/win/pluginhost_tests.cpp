// The plug-in catalogue through real COM, the local-server support and the
// list of plug-ins checked by default.
#include "pluginhost/CheckedPluginsUnit.h"
#include "common/PixwellInc.h"
#include "TestPlugin.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "base/Registry.h"
#include "portable/CommaText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using fw::BStr;
using fw::ComPtr;

// {6C1E5E02-1D3A-4C39-9A38-0E3F1A6B7701}: a plug-in that exists only in this test.
const CLSID kFakePluginClsid = {0x6c1e5e02, 0x1d3a, 0x4c39,
                                {0x9a, 0x38, 0x0e, 0x3f, 0x1a, 0x6b, 0x77, 0x01}};
// {6C1E5E02-1D3A-4C39-9A38-0E3F1A6B7702}: an object that is no plug-in.
const CLSID kNotAPluginClsid = {0x6c1e5e02, 0x1d3a, 0x4c39,
                                {0x9a, 0x38, 0x0e, 0x3f, 0x1a, 0x6b, 0x77, 0x02}};
constexpr char kUnregisteredClsid[] = "{6C1E5E02-1D3A-4C39-9A38-0E3F1A6B77FF}";

// Just enough of a plug-in to be told apart from other objects.
class TFakePlugin final : public TestPluginBase {
public:
    static HRESULT Create(REFIID iid, void** object) { return Hand(new TFakePlugin, iid, object); }
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR* Name, BSTR*, BSTR*, BSTR*, HRESULT* Result) override
    {
        fw::SetOutBStr(Name, "Fake plugin");
        *Result = S_OK;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown*, LONG, HRESULT*) override { return E_NOTIMPL; }
};

// An object without IPixwellPlugin: the catalogue's own class serves.
const fw::ComClassEntry kFakePluginClass{&kFakePluginClsid, "FakePlugin", "Fake plug-in",
                                         &TFakePlugin::Create};
const fw::ComClassEntry kNotAPluginClass{&kNotAPluginClsid, "NotAPlugin", "No plug-in",
                                         &TPixwellObject::Create};

// A class object made available to this process only.
class InprocClassObject {
public:
    explicit InprocClassObject(const fw::ComClassEntry& entry)
    {
        ComPtr<IUnknown> factory;
        fw::OleCheck(fw::CreateClassFactory(entry, IID_IUnknown, factory.PutVoid()));
        fw::OleCheck(CoRegisterClassObject(*entry.clsid, factory.Get(), CLSCTX_INPROC_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie_));
    }
    ~InprocClassObject() { CoRevokeClassObject(cookie_); }
    InprocClassObject(const InprocClassObject&) = delete;
    InprocClassObject& operator=(const InprocClassObject&) = delete;

private:
    DWORD cookie_ = 0;
};

std::string ReadDefault(HKEY root, const std::string& path)
{
    const fw::RegKey key = fw::RegKey::TryOpen(root, path.c_str());
    std::string value;
    if (!key || key.ReadString(nullptr, value) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

bool KeyExists(HKEY root, const std::string& path)
{
    return static_cast<bool>(fw::RegKey::TryOpen(root, path.c_str()));
}

void AddPluginKey(const std::string& name)
{
    const std::string path = std::string(pixwell::kPluginsKey) + "\\" + name;
    ASSERT_TRUE(fw::RegKey::TryCreate(HKEY_CURRENT_USER, path.c_str()));
}

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kPluginsKey, true);
        served_ = fw::ClassObjectRegistration::Register(kPixwellObjectClass);
    }
    void TearDown() override
    {
        served_.Revoke();
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kPluginsKey, true);
    }

    // As the program obtains it: created by class identifier through COM.
    static ComPtr<IPixwellObject> NewCatalogue()
    {
        ComPtr<IPixwellObject> catalogue;
        EXPECT_EQ(fw::CreateComObject(CLSID_PixwellObject).As(catalogue), S_OK);
        return catalogue;
    }

    static std::string PluginList(HRESULT expected = S_OK)
    {
        BStr list;
        EXPECT_EQ(NewCatalogue()->GetPluginList(list.Put()), expected);
        return list.ToString();
    }

    static HRESULT GetPlugin(const std::string& nick, ComPtr<IPixwellPlugin>& plugin)
    {
        return NewCatalogue()->GetPlugin(BStr(nick).Get(), plugin.Put());
    }

    fw::ComInit com_;
    fw::ClassObjectRegistration served_;
};

TEST_F(Catalogue, NoPluginsKeyGivesEmptyListAndCreatesTheKey)
{
    EXPECT_EQ(PluginList(), "");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, pixwell::kPluginsKey));
    EXPECT_EQ(PluginList(), "");
}

TEST_F(Catalogue, ListsPluginKeysInRegistryOrderAsCommaText)
{
    AddPluginKey(pixwell::kPostrelObjectClsid);
    AddPluginKey(pixwell::kStowickObjectClsid);
    EXPECT_EQ(PluginList(),
              std::string(pixwell::kStowickObjectClsid) + "," + pixwell::kPostrelObjectClsid);
}

TEST_F(Catalogue, QuotesKeyNamesThatNeedIt)
{
    const std::string odd = "My \"odd\" plugin, v2";
    AddPluginKey(odd);
    AddPluginKey(pixwell::kStowickObjectClsid);
    const std::string list = PluginList();
    EXPECT_EQ(list, "\"My \"\"odd\"\" plugin, v2\"," + std::string(pixwell::kStowickObjectClsid));
    EXPECT_EQ(portable::SplitCommaText(list),
              (std::vector<std::string>{odd, pixwell::kStowickObjectClsid}));
}

TEST_F(Catalogue, EveryCreationGivesANewObjectWithOnlyItsInterfaces)
{
    const ComPtr<IPixwellObject> a = NewCatalogue();
    const ComPtr<IPixwellObject> b = NewCatalogue();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_FALSE(a.As<IDispatch>());
    EXPECT_FALSE(a.As<IPixwellPlugin>());
    ComPtr<ISupportErrorInfo> errors;
    ASSERT_EQ(a.As(errors), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IPixwellObject), S_OK);
    // Identity: IUnknown from any interface is the same pointer.
    EXPECT_EQ(a.As<IUnknown>().Get(), errors.As<IUnknown>().Get());
}

TEST_F(Catalogue, AddAndRemovePluginChangeNothing)
{
    AddPluginKey(pixwell::kStowickObjectClsid);
    const ComPtr<IPixwellObject> catalogue = NewCatalogue();
    EXPECT_EQ(catalogue->AddPlugin(BStr("C:\\plugins\\new.dll").Get()), S_OK);
    EXPECT_EQ(catalogue->RemovePlugin(BStr(pixwell::kStowickObjectClsid).Get()), S_OK);
    EXPECT_EQ(catalogue->RemovePlugin(nullptr), S_OK);
    EXPECT_EQ(PluginList(), pixwell::kStowickObjectClsid);
}

TEST_F(Catalogue, GetPluginCreatesByIdentifierInAnyCase)
{
    InprocClassObject fake(kFakePluginClass);
    const std::string upper = fw::GUIDToString(kFakePluginClsid);
    std::string lower = upper;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));

    for (const std::string& nick : {upper, lower}) {
        ComPtr<IPixwellPlugin> plugin;
        ASSERT_EQ(GetPlugin(nick, plugin), S_OK) << nick;
        ASSERT_TRUE(plugin);
        BStr name, description, options, help;
        HRESULT result = E_FAIL;
        EXPECT_EQ(plugin->GetPluginInfo(name.Put(), description.Put(), options.Put(), help.Put(),
                                        &result),
                  S_OK);
        EXPECT_EQ(name.ToString(), "Fake plugin");
    }
}

TEST_F(Catalogue, GetPluginFailuresLeaveNoInstance)
{
    InprocClassObject notAPlugin(kNotAPluginClass);
    struct Case {
        std::string nick;
        HRESULT expected;
    };
    const Case cases[] = {
        {"not a class identifier", E_FAIL},
        {"", E_FAIL},
        {"{6C1E5E02-1D3A-4C39-9A38-0E3F1A6B77}", E_FAIL},
        {kUnregisteredClsid, E_FAIL},
        {fw::GUIDToString(kNotAPluginClsid), E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        ComPtr<IPixwellPlugin> plugin;
        EXPECT_EQ(GetPlugin(c.nick, plugin), c.expected) << c.nick;
        EXPECT_FALSE(plugin) << c.nick;
    }
    // The reason travels as the thread's error information.
    ComPtr<IPixwellPlugin> plugin;
    ASSERT_EQ(GetPlugin("nonsense", plugin), E_FAIL);
    EXPECT_NE(fw::TakeErrorInfoDescription().find("nonsense"), std::string::npos);
}

TEST_F(Catalogue, ServedObjectsAreCountedUntilTheLastRelease)
{
    int zeroCalls = 0;
    fw::SetLastServedObjectReleasedHandler([&] { ++zeroCalls; });
    // Every test releases what it made: the count starts at zero, so each
    // last release below must be reported.
    const LONG before = fw::ServedObjectCount();
    ASSERT_EQ(before, 0) << "objects of an earlier test are still served";
    {
        ComPtr<IPixwellObject> a = NewCatalogue();
        ComPtr<IPixwellObject> b = NewCatalogue();
        EXPECT_EQ(fw::ServedObjectCount(), before + 2);
        EXPECT_TRUE(fw::ServedObjectsOutstanding());
        a.Reset();
        EXPECT_EQ(zeroCalls, 0);
    }
    EXPECT_EQ(fw::ServedObjectCount(), before);
    EXPECT_EQ(zeroCalls, 1);

    // A client's lock on the class object keeps the server up as well.
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_PixwellObject, CLSCTX_LOCAL_SERVER, nullptr,
                               IID_IClassFactory, factory.PutVoid()),
              S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(fw::ServedObjectCount(), before + 1);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(zeroCalls, 2);
    fw::SetLastServedObjectReleasedHandler({});

    // Nothing outstanding: closing needs no question.
    EXPECT_FALSE(fw::ServedObjectsOutstanding());
    EXPECT_TRUE(fw::ConfirmCloseWithServedObjects(nullptr, "Vistrel"));
}

TEST_F(Catalogue, ClassFactoryRefusesAggregation)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(fw::CreateClassFactory(kPixwellObjectClass, IID_IClassFactory, factory.PutVoid()),
              S_OK);
    ComPtr<IUnknown> object;
    EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, object.PutVoid()),
              CLASS_E_NOAGGREGATION);
    EXPECT_FALSE(object);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(fw::ServedObjectCount(), 0);
}

// ---- Registration as a local server ---------------------------------------------

const std::string kClassKey = "CLSID\\" + std::string(pixwell::kPixwellObjectClsid);
const std::string kProgId = "pixwell.PixwellObject";
const std::string kTypeLibKey = "TypeLib\\" + std::string(pixwell::kPixwellLibId) + "\\1.0";

class LocalServer : public ::testing::Test {
protected:
    void TearDown() override
    {
        fw::UnregisterLocalServerClass(kPixwellTypeLib, kPixwellObjectClass);
        fw::UnregisterTypeLibrary(kPixwellTypeLib);
    }
    void ExpectRegistered(const std::string& exePath)
    {
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kClassKey), "PixwellObject Object");
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kClassKey + "\\LocalServer32"), exePath);
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kClassKey + "\\ProgID"), kProgId);
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kClassKey + "\\TypeLib"), pixwell::kPixwellLibId);
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kClassKey + "\\Version"), "1.0");
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kProgId), "PixwellObject Object");
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kProgId + "\\CLSID"), pixwell::kPixwellObjectClsid);
        EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kTypeLibKey), "Pixwell Library");
        // COM's own lookups find the class both ways.
        EXPECT_EQ(fw::ClassIDToProgID(CLSID_PixwellObject), kProgId);
        EXPECT_TRUE(IsEqualGUID(fw::StringToGUID(kProgId), CLSID_PixwellObject));
    }
    void ExpectUnregistered()
    {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kProgId));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
        GUID ignored{};
        EXPECT_FALSE(fw::TryStringToGUID(kProgId, ignored));
    }
    fw::ComInit com_;
};

TEST(LocalServerCommand, QuotesPathsWithBlanks)
{
    EXPECT_EQ(fw::LocalServerCommand("C:\\Vistrel\\vistrel.exe"), "C:\\Vistrel\\vistrel.exe");
    EXPECT_EQ(fw::LocalServerCommand("C:\\Program Files\\Vistrel\\vistrel.exe"),
              "\"C:\\Program Files\\Vistrel\\vistrel.exe\"");
}

TEST_F(LocalServer, RegistersTypeLibraryAndClassThenRemovesThem)
{
    const std::string exe = fw::ModuleFileName();
    fw::RegisterTypeLibrary(exe);
    fw::RegisterLocalServerClass(kPixwellTypeLib, kPixwellObjectClass, exe);
    ExpectRegistered(fw::LocalServerCommand(exe));

    fw::UnregisterLocalServerClass(kPixwellTypeLib, kPixwellObjectClass);
    fw::UnregisterTypeLibrary(kPixwellTypeLib);
    ExpectUnregistered();
    // Removing what isn't there is no error.
    EXPECT_NO_THROW(fw::UnregisterLocalServerClass(kPixwellTypeLib, kPixwellObjectClass));
    EXPECT_NO_THROW(fw::UnregisterTypeLibrary(kPixwellTypeLib));
}

TEST_F(LocalServer, SwitchesDecideBetweenRegistrationAndServing)
{
    const std::string exe = fw::ModuleFileName();
    const fw::ComClassEntry classes[] = {kPixwellObjectClass};
    {
        fw::ComServer server(kPixwellTypeLib, classes,
                             portable::ParseServerSwitches({"/RegServer"}), exe);
        EXPECT_FALSE(server.Initialize());
        ExpectRegistered(fw::LocalServerCommand(exe));
        // Registration only: no class object is served.
        ComPtr<IClassFactory> factory;
        EXPECT_NE(CoGetClassObject(CLSID_PixwellObject, CLSCTX_INPROC_SERVER, nullptr,
                                   IID_IClassFactory, factory.PutVoid()),
                  S_OK);
    }
    {
        fw::ComServer server(kPixwellTypeLib, classes,
                             portable::ParseServerSwitches({"-unregserver"}), exe);
        EXPECT_FALSE(server.Initialize());
        ExpectUnregistered();
    }
    {
        fw::ComServer server(kPixwellTypeLib, classes, portable::ParseServerSwitches({}), exe);
        EXPECT_TRUE(server.Initialize());
        ExpectRegistered(fw::LocalServerCommand(exe));
        ComPtr<IPixwellObject> catalogue;
        EXPECT_EQ(fw::CreateComObject(CLSID_PixwellObject).As(catalogue), S_OK);
        // The local-server class object answers the program's own requests too.
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(CoGetClassObject(CLSID_PixwellObject, CLSCTX_INPROC_SERVER, nullptr,
                                   IID_IClassFactory, factory.PutVoid()),
                  S_OK);
    }
    // The server's end revoked its class object.
    ComPtr<IClassFactory> factory;
    EXPECT_NE(CoGetClassObject(CLSID_PixwellObject, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, factory.PutVoid()),
              S_OK);
}

TEST_F(LocalServer, RegServerReportsFailuresAnOrdinaryStartIgnoresThem)
{
    // No type library in this path: registration fails.
    const std::string missing = "C:\\no such folder\\vistrel.exe";
    const fw::ComClassEntry classes[] = {kPixwellObjectClass};
    fw::ComServer reg(kPixwellTypeLib, classes, portable::ParseServerSwitches({"/REGSERVER"}),
                      missing);
    EXPECT_THROW(reg.Initialize(), fw::Error);
    fw::ComServer ordinary(kPixwellTypeLib, classes, portable::ParseServerSwitches({}), missing);
    EXPECT_TRUE(ordinary.Initialize());
}

TEST_F(LocalServer, EndsByItselfOnlyWhenComStartedIt)
{
    const fw::ComClassEntry classes[] = {kPixwellObjectClass};
    for (const char* arg : {"-Embedding", "/AUTOMATION", "/other"}) {
        fw::ComServer server(kPixwellTypeLib, classes, portable::ParseServerSwitches({arg}),
                             fw::ModuleFileName());
        ASSERT_TRUE(server.Initialize());
        int shutdowns = 0;
        server.EndWhenLastObjectReleased([&] { ++shutdowns; });
        fw::CreateComObject(CLSID_PixwellObject).Reset();
        EXPECT_EQ(shutdowns, server.Switches().StartedByCom() ? 1 : 0) << arg;
    }
}

// ---- Checked plug-ins list -------------------------------------------------------

class CheckedList : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "vistrel-checked-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        file_ = folder_ + "\\" + pixwell::kCheckedPluginsFileName;
    }
    void TearDown() override
    {
        DeleteFileA(file_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    AppDataFolderQuery Folder() const
    {
        return [f = folder_] { return std::optional<std::string>(f); };
    }
    void WriteRaw(const std::string& bytes) const
    {
        std::ofstream(file_, std::ios::binary) << bytes;
    }
    std::string ReadRaw() const
    {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static GUID Clsid(const char* text) { return fw::StringToGUID(text); }

    std::string folder_;
    std::string file_;
};

TEST_F(CheckedList, PathTrimsAndJoinsWithOneBackslash)
{
    EXPECT_EQ(CheckedPluginsPath([] { return std::optional<std::string>(" C:\\Data\t\r\n"); }),
              "C:\\Data\\CheckedPlugins.lst");
    EXPECT_EQ(CheckedPluginsPath([] { return std::optional<std::string>("C:\\Data\\"); }),
              "C:\\Data\\CheckedPlugins.lst");
    try {
        CheckedPluginsPath([] { return std::optional<std::string>(); });
        ADD_FAILURE() << "no error raised";
    } catch (const fw::Error& e) {
        EXPECT_STREQ(e.what(), "Error retreiviing AppData folder path");
    }
    // The shell knows the user's folder, and it exists.
    const std::optional<std::string> appData = ShellAppDataFolder();
    ASSERT_TRUE(appData);
    const DWORD attributes = GetFileAttributesA(appData->c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(CheckedList, NoFileOrEmptyFileChecksNothing)
{
    EXPECT_TRUE(ReadCheckedPlugins(Folder()).empty());
    WriteRaw("");
    EXPECT_TRUE(ReadCheckedPlugins(Folder()).empty());
}

TEST_F(CheckedList, LettercaseMattersNotButBlanksDo)
{
    WriteRaw("{04e83ea8-4c59-4f35-8720-b6b5dddb83fe}\n{7725CB74-418B-4D66-A48E-453CDD089DE2} \n");
    const std::vector<std::string> lines = ReadCheckedPlugins(Folder());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(IsPluginChecked(lines, Clsid(pixwell::kStowickObjectClsid)));
    EXPECT_FALSE(IsPluginChecked(lines, Clsid(pixwell::kPostrelObjectClsid)));
    EXPECT_TRUE(SameTextLocale("{abc-def}", "{ABC-DEF}"));
    EXPECT_FALSE(SameTextLocale("{abc-def}", "{abc-def} "));
}

TEST_F(CheckedList, WriteReplacesTheFileWithCrLfLines)
{
    WriteRaw("old content that is longer than the new one\r\n");
    WriteCheckedPlugins({pixwell::kStowickObjectClsid, pixwell::kPostrelObjectClsid}, Folder());
    EXPECT_EQ(ReadRaw(), std::string(pixwell::kStowickObjectClsid) + "\r\n" +
                             pixwell::kPostrelObjectClsid + "\r\n");
    EXPECT_EQ(ReadCheckedPlugins(Folder()),
              (std::vector<std::string>{pixwell::kStowickObjectClsid,
                                        pixwell::kPostrelObjectClsid}));

    WriteCheckedPlugins({}, Folder());
    EXPECT_NE(GetFileAttributesA(file_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadRaw(), "");
}

TEST_F(CheckedList, FailuresNameTheFileAndKeepTheOldContent)
{
    const std::string old = std::string(pixwell::kStowickObjectClsid) + "\r\n";
    WriteRaw(old);
    {
        // Another program holds the file open without sharing it.
        HANDLE held = CreateFileA(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        for (int step = 0; step < 2; ++step) {
            try {
                if (step == 0)
                    ReadCheckedPlugins(Folder());
                else
                    WriteCheckedPlugins({pixwell::kPostrelObjectClsid}, Folder());
                ADD_FAILURE() << "no error raised, step " << step;
            } catch (const fw::Error& e) {
                EXPECT_NE(std::string(e.what()).find(file_), std::string::npos) << e.what();
            }
        }
        CloseHandle(held);
    }
    EXPECT_EQ(ReadRaw(), old);
    // No temporary file is left beside it.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);

    const AppDataFolderQuery missing = [] {
        return std::optional<std::string>("C:\\no such folder");
    };
    EXPECT_TRUE(ReadCheckedPlugins(missing).empty());
    EXPECT_THROW(WriteCheckedPlugins({}, missing), fw::Error);
}

} // namespace
