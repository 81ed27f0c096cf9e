#include "com/ComServer.h"
#include "com/ComObject.h"

#include <oleauto.h>
#include <shellapi.h>

#include <memory>
#include <utility>

#include "com/ClassRegistration.h"
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

constexpr char kTypeLibRegisterError[] = "Error registering type library of ";
constexpr char kTypeLibUnregisterError[] = "Error unregistering type library ";

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
    const std::string userKey = kUserClassesPrefix + versionKey;
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
    const ClassesKeyWriter writer(classKey);
    writer.Write(classKey, entry.description);
    writer.Write(classKey + "\\LocalServer32", LocalServerCommand(exePath));
    writer.Write(classKey + "\\ProgID", progId);
    writer.Write(classKey + "\\TypeLib", GUIDToString(*typeLib.libId));
    writer.Write(classKey + "\\Version",
                 std::to_string(typeLib.majorVersion) + "." + std::to_string(typeLib.minorVersion));
    writer.Write(progId, entry.description);
    writer.Write(progId + "\\CLSID", clsid);
}

void UnregisterLocalServerClass(const ComTypeLibEntry& typeLib, const ComClassEntry& entry)
{
    const std::string classKey = "CLSID\\" + GUIDToString(*entry.clsid);
    const std::string progId = ProgIDOf(typeLib, entry);
    ClassesKeyWriter::DeleteTree(progId);
    ClassesKeyWriter::DeleteTree(classKey);
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
