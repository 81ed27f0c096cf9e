#include "com/ComServer.h"
#include "com/ComObject.h"

#include <oleauto.h>
#include <shellapi.h>

#include <memory>
#include <utility>

#include "com/ComBStr.h"
#include "com/ComGuid.h"
#include "base/Errors.h"
#include "base/Registry.h"

// Per-user type-library registration (Windows Vista and later); the
// toolchain's headers lack the declarations, its import library has them.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* lib, OLECHAR* path, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libId, WORD major, WORD minor, LCID lcid,
                                        SYSKIND syskind);
}

namespace fw {
namespace {

// ---- Served objects ---------------------------------------------------------

LONG g_servedObjects = 0;

std::function<void()>& LastReleasedHandler()
{
    static std::function<void()> handler;
    return handler;
}

// ---- Registry entries -----------------------------------------------------------

constexpr char kRegisterKeyError[] = "Error registering COM server: cannot write registry key ";
constexpr char kUnregisterKeyError[] = "Error unregistering COM server: cannot remove registry key ";
constexpr char kTypeLibRegisterError[] = "Error registering type library of ";
constexpr char kTypeLibUnregisterError[] = "Error unregistering type library ";
constexpr char kUserClassesKey[] = "Software\\Classes";

// Where class registrations go: HKEY_CLASSES_ROOT, or the user's own classes
// when the machine-wide ones may not be written (no administrator rights).
struct ClassesRoot {
    HKEY root;
    std::string prefix; // path of the classes key under `root`, with a trailing backslash
    const char* displayName;

    std::string Path(const std::string& subPath) const { return prefix + subPath; }
    std::string DisplayPath(const std::string& subPath) const
    {
        return std::string(displayName) + "\\" + Path(subPath);
    }
};

const ClassesRoot kMachineClasses{HKEY_CLASSES_ROOT, "", "HKEY_CLASSES_ROOT"};
const ClassesRoot kUserClasses{HKEY_CURRENT_USER, std::string(kUserClassesKey) + "\\",
                               "HKEY_CURRENT_USER"};

[[noreturn]] void RaiseRegistryError(const char* what, const std::string& path, LONG rc)
{
    throw Error(what + path + " (" + SystemMessage(static_cast<DWORD>(rc)) + ")",
                HRESULT_FROM_WIN32(static_cast<DWORD>(rc)));
}

void WriteKeyDefault(const ClassesRoot& root, const std::string& subPath, const std::string& value)
{
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::TryCreate(root.root, root.Path(subPath).c_str(), &rc);
    if (!key)
        RaiseRegistryError(kRegisterKeyError, root.DisplayPath(subPath), rc);
    rc = key.WriteString(nullptr, value);
    if (rc != ERROR_SUCCESS)
        RaiseRegistryError(kRegisterKeyError, root.DisplayPath(subPath), rc);
}

bool IsMissing(LONG rc) noexcept { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND; }

void DeleteTree(const ClassesRoot& root, const std::string& subPath)
{
    const LONG rc = RegKey::DeleteKey(root.root, root.Path(subPath).c_str(), true);
    if (rc != ERROR_SUCCESS && !IsMissing(rc))
        RaiseRegistryError(kUnregisterKeyError, root.DisplayPath(subPath), rc);
}

// The classes root this registration can be written to: the machine-wide one
// when it accepts the class key, else the user's.
const ClassesRoot& WritableClassesRoot(const std::string& probeKey)
{
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::TryCreate(HKEY_CLASSES_ROOT, probeKey.c_str(), &rc);
    return (key || rc != ERROR_ACCESS_DENIED) ? kMachineClasses : kUserClasses;
}

SYSKIND NativeSysKind() noexcept { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

std::string TypeLibVersionKey(const ComTypeLibEntry& typeLib)
{
    return "TypeLib\\" + GUIDToString(*typeLib.libId) + "\\" +
           std::to_string(typeLib.majorVersion) + "." + std::to_string(typeLib.minorVersion);
}

bool KeyExists(HKEY root, const std::string& path)
{
    return static_cast<bool>(RegKey::TryOpen(root, path.c_str()));
}

} // namespace

// ---- Served objects -------------------------------------------------------------

void LockServer() noexcept { InterlockedIncrement(&g_servedObjects); }

void UnlockServer() noexcept
{
    if (InterlockedDecrement(&g_servedObjects) != 0)
        return;
    // A copy: the handler may replace itself.
    std::function<void()> handler;
    try {
        handler = LastReleasedHandler();
    } catch (...) {
        return;
    }
    if (handler)
        handler();
}

LONG ServedObjectCount() noexcept { return InterlockedCompareExchange(&g_servedObjects, 0, 0); }

bool ServedObjectsOutstanding() noexcept { return ServedObjectCount() > 0; }

void SetLastServedObjectReleasedHandler(std::function<void()> handler)
{
    LastReleasedHandler() = std::move(handler);
}

ServedObjectLock::ServedObjectLock() noexcept { LockServer(); }
ServedObjectLock::~ServedObjectLock() { UnlockServer(); }

bool ConfirmCloseWithServedObjects(HWND owner, const char* caption)
{
    if (!ServedObjectsOutstanding())
        return true;
    return MessageBoxA(owner, kActiveComObjectsWarning, caption, MB_YESNO | MB_ICONWARNING) ==
           IDYES;
}

// ---- Class table ----------------------------------------------------------------

std::string ProgIDOf(const ComTypeLibEntry& typeLib, const ComClassEntry& entry)
{
    return std::string(typeLib.name) + "." + entry.className;
}

HRESULT CreateClassFactory(const ComClassEntry& entry, REFIID iid, void** factory)
{
    if (!factory)
        return E_POINTER;
    *factory = nullptr;
    auto* created = new (std::nothrow) ClassFactoryObject(entry.create);
    if (!created)
        return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(iid, factory);
    created->Release();
    return hr;
}

// ---- Class objects ------------------------------------------------------------------

ClassObjectRegistration::ClassObjectRegistration(ClassObjectRegistration&& other) noexcept
    : cookie_(std::exchange(other.cookie_, 0))
{
}

ClassObjectRegistration& ClassObjectRegistration::operator=(ClassObjectRegistration&& other) noexcept
{
    if (this != &other) {
        Revoke();
        cookie_ = std::exchange(other.cookie_, 0);
    }
    return *this;
}

ClassObjectRegistration ClassObjectRegistration::Register(const ComClassEntry& entry)
{
    IUnknown* factory = nullptr;
    HRESULT hr = CreateClassFactory(entry, IID_IUnknown, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        throw Error(SystemMessage(static_cast<DWORD>(hr)), hr);
    ClassObjectRegistration result;
    // COM holds its own reference while the class object is registered.
    hr = CoRegisterClassObject(*entry.clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                               &result.cookie_);
    factory->Release();
    if (FAILED(hr))
        throw Error(std::string("Error making class ") + entry.className +
                        " available: " + SystemMessage(static_cast<DWORD>(hr)),
                    hr);
    return result;
}

void ClassObjectRegistration::Revoke() noexcept
{
    if (const DWORD cookie = std::exchange(cookie_, 0))
        CoRevokeClassObject(cookie);
}

std::vector<ClassObjectRegistration> RegisterClassObjects(std::span<const ComClassEntry> classes)
{
    std::vector<ClassObjectRegistration> result;
    result.reserve(classes.size());
    for (const ComClassEntry& entry : classes)
        result.push_back(ClassObjectRegistration::Register(entry));
    return result;
}

// ---- Registry entries ---------------------------------------------------------------

std::string ModuleFileName(HMODULE module)
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD len = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (len == 0)
            RaiseLastOSError("GetModuleFileName");
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string LocalServerCommand(const std::string& exePath)
{
    if (exePath.find(' ') == std::string::npos)
        return exePath;
    return "\"" + exePath + "\"";
}

void RegisterTypeLibrary(const std::string& exePath)
{
    const std::wstring path = AnsiToWide(exePath);
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, lib.Put());
    if (hr == TYPE_E_REGISTRYACCESS) {
        // No write access to the machine's classes: register for this user.
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Put());
        if (SUCCEEDED(hr))
            hr = RegisterTypeLibForUser(lib.Get(), const_cast<OLECHAR*>(path.c_str()), nullptr);
    }
    if (FAILED(hr))
        throw Error(kTypeLibRegisterError + exePath + " (" + SystemMessage(static_cast<DWORD>(hr)) +
                        ")",
                    hr);
}

void UnregisterTypeLibrary(const ComTypeLibEntry& typeLib)
{
    const std::string versionKey = TypeLibVersionKey(typeLib);
    const std::string userKey = std::string(kUserClassesKey) + "\\" + versionKey;
    const bool machine = KeyExists(HKEY_CLASSES_ROOT, versionKey);
    const bool user = KeyExists(HKEY_CURRENT_USER, userKey);
    HRESULT hr = S_OK;
    if (machine)
        hr = UnRegisterTypeLib(*typeLib.libId, typeLib.majorVersion, typeLib.minorVersion,
                               LOCALE_NEUTRAL, NativeSysKind());
    if (user && (!machine || hr == TYPE_E_REGISTRYACCESS))
        hr = UnRegisterTypeLibForUser(*typeLib.libId, typeLib.majorVersion,
                                      typeLib.minorVersion, LOCALE_NEUTRAL, NativeSysKind());
    if (FAILED(hr))
        throw Error(kTypeLibUnregisterError + GUIDToString(*typeLib.libId) + " (" +
                        SystemMessage(static_cast<DWORD>(hr)) + ")",
                    hr);
}

void RegisterLocalServerClass(const ComTypeLibEntry& typeLib, const ComClassEntry& entry,
                              const std::string& exePath)
{
    const std::string clsid = GUIDToString(*entry.clsid);
    const std::string progId = ProgIDOf(typeLib, entry);
    const std::string classKey = "CLSID\\" + clsid;
    const ClassesRoot& root = WritableClassesRoot(classKey);

    WriteKeyDefault(root, classKey, entry.description);
    WriteKeyDefault(root, classKey + "\\LocalServer32", LocalServerCommand(exePath));
    WriteKeyDefault(root, classKey + "\\ProgID", progId);
    WriteKeyDefault(root, classKey + "\\TypeLib", GUIDToString(*typeLib.libId));
    WriteKeyDefault(root, classKey + "\\Version",
                    std::to_string(typeLib.majorVersion) + "." +
                        std::to_string(typeLib.minorVersion));
    WriteKeyDefault(root, progId, entry.description);
    WriteKeyDefault(root, progId + "\\CLSID", clsid);
}

void UnregisterLocalServerClass(const ComTypeLibEntry& typeLib, const ComClassEntry& entry)
{
    const std::string classKey = "CLSID\\" + GUIDToString(*entry.clsid);
    const std::string progId = ProgIDOf(typeLib, entry);
    for (const ClassesRoot* root : {&kMachineClasses, &kUserClasses}) {
        DeleteTree(*root, progId);
        DeleteTree(*root, classKey);
    }
}

// ---- The program as a local server ----------------------------------------------------

std::vector<std::string> CommandLineArguments()
{
    struct LocalFreer {
        void operator()(LPWSTR* p) const noexcept { LocalFree(p); }
    };
    int argc = 0;
    const std::unique_ptr<LPWSTR, LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    std::vector<std::string> args;
    if (!argv)
        return args;
    for (int i = 1; i < argc; ++i)
        args.push_back(WideToAnsi(argv.get()[i]));
    return args;
}

ComServer::ComServer(ComTypeLibEntry typeLib, std::span<const ComClassEntry> classes,
                     portable::ServerSwitches switches, std::string exePath)
    : typeLib_(typeLib),
      classes_(classes.begin(), classes.end()),
      switches_(switches),
      exePath_(std::move(exePath))
{
}

ComServer::~ComServer()
{
    if (endHandlerInstalled_)
        SetLastServedObjectReleasedHandler({});
}

void ComServer::Register() const
{
    RegisterTypeLibrary(exePath_);
    for (const ComClassEntry& entry : classes_)
        RegisterLocalServerClass(typeLib_, entry, exePath_);
}

void ComServer::Unregister() const
{
    for (const ComClassEntry& entry : classes_)
        UnregisterLocalServerClass(typeLib_, entry);
    UnregisterTypeLibrary(typeLib_);
}

bool ComServer::Initialize()
{
    if (switches_.unregServer) {
        Unregister();
        return false;
    }
    try {
        Register();
    } catch (const Error&) {
        // An ordinary start goes on without a fresh registration (for example
        // without write access to the registry); only an explicit request
        // reports the failure.
        if (switches_.regServer)
            throw;
    }
    if (switches_.regServer)
        return false;
    registrations_ = RegisterClassObjects(classes_);
    return true;
}

void ComServer::EndWhenLastObjectReleased(std::function<void()> shutdown)
{
    if (!switches_.StartedByCom())
        return;
    SetLastServedObjectReleasedHandler(std::move(shutdown));
    endHandlerInstalled_ = true;
}

} // namespace fw
