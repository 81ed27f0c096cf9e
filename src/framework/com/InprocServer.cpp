#include "com/InprocServer.h"
#include "com/ComObject.h"

#include <memory>

#include <oleauto.h>

#include <new>
#include <utility>

#include "com/AutoObject.h"
#include "com/ComBStr.h"
#include "com/ComError.h"
#include "com/ComGuid.h"
#include "base/Errors.h"
#include "base/Registry.h"

namespace fw {
namespace {

constexpr char kThreadingModelValue[] = "ThreadingModel";
constexpr char kApartment[] = "Apartment";

std::string VersionText(WORD major, WORD minor)
{
    return std::to_string(major) + "." + std::to_string(minor);
}

// The library's identity, from its type library.
struct LibraryIdentity {
    GUID libId{};
    WORD major = 0;
    WORD minor = 0;
};

LibraryIdentity ModuleLibraryIdentity()
{
    ITypeLib& lib = ModuleTypeLib();
    TLIBATTR* attr = nullptr;
    OleCheck(lib.GetLibAttr(&attr));
    const LibraryIdentity identity{attr->guid, attr->wMajorVerNum, attr->wMinorVerNum};
    lib.ReleaseTLibAttr(attr);
    return identity;
}

// ---- Class factory handed to COM ----------------------------------------------

// One per DllGetClassObject request. While any reference to it is out, the
// library counts as in use, as it does for each LockServer(TRUE).
struct FactoryCreate {
    const ComObjectFactory& factory;
    std::shared_ptr<ServedObjectLock> lock = std::make_shared<ServedObjectLock>();
    HRESULT operator()(REFIID iid, void** object) const { return factory.CreateInstance(iid, object); }
};

// ---- Interface keys of imported libraries ---------------------------------------

// A registry key with its values and subkeys.
struct KeyTree {
    std::vector<RegValue> values;
    std::vector<std::pair<std::string, KeyTree>> subkeys;
};

KeyTree ReadTree(const RegKey& key, int depth = 0)
{
    KeyTree tree;
    key.EnumValues(tree.values);
    std::vector<std::string> names;
    key.EnumKeyNames(names);
    for (const std::string& name : names)
        if (const RegKey sub = RegKey::TryOpen(key.Get(), name.c_str()); sub && depth < 8)
            tree.subkeys.emplace_back(name, ReadTree(sub, depth + 1));
    return tree;
}

void WriteTree(HKEY parent, const std::string& path, const KeyTree& tree)
{
    const RegKey key = RegKey::TryCreate(parent, path.c_str());
    if (!key)
        return;
    for (const RegValue& value : tree.values)
        RegSetValueExA(key.Get(), value.name.empty() ? nullptr : value.name.c_str(), 0, value.type,
                       value.data.data(), static_cast<DWORD>(value.data.size()));
    for (const auto& [name, sub] : tree.subkeys)
        WriteTree(key.Get(), name, sub);
}

// A type library may carry copies of interfaces it imports (widl copies the
// interfaces a coclass lists, such as the host's plug-in contract).
// Registering or unregistering the library would point their Interface keys
// at it or delete them, although they belong to the library that defines
// them; this keeps such keys as they were.
class ForeignInterfaceKeys {
public:
    ForeignInterfaceKeys(ITypeLib& lib, const GUID& ownLibId)
    {
        const std::string own = GUIDToString(ownLibId);
        const UINT count = lib.GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            TYPEKIND kind{};
            ComPtr<ITypeInfo> info;
            if (FAILED(lib.GetTypeInfoType(i, &kind)) ||
                (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH) ||
                FAILED(lib.GetTypeInfo(i, info.Put())))
                continue;
            TYPEATTR* attr = nullptr;
            if (FAILED(info->GetTypeAttr(&attr)))
                continue;
            const std::string path = "Interface\\" + GUIDToString(attr->guid);
            info->ReleaseTypeAttr(attr);
            const RegKey key = RegKey::TryOpen(HKEY_CLASSES_ROOT, path.c_str());
            std::string owner;
            if (const RegKey typeLib = RegKey::TryOpen(HKEY_CLASSES_ROOT, (path + "\\TypeLib").c_str()))
                typeLib.ReadString(nullptr, owner);
            if (key && !owner.empty() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, owner.c_str(), -1,
                                                        own.c_str(), -1) != CSTR_EQUAL)
                saved_.emplace_back(path, ReadTree(key));
        }
    }
    ForeignInterfaceKeys(const ForeignInterfaceKeys&) = delete;
    ForeignInterfaceKeys& operator=(const ForeignInterfaceKeys&) = delete;
    ~ForeignInterfaceKeys()
    {
        for (const auto& [path, tree] : saved_) {
            RegKey::DeleteKey(HKEY_CLASSES_ROOT, path.c_str(), true);
            WriteTree(HKEY_CLASSES_ROOT, path, tree);
        }
    }

private:
    std::vector<std::pair<std::string, KeyTree>> saved_;
};

void RegisterModuleTypeLibrary()
{
    const LibraryIdentity identity = ModuleLibraryIdentity();
    const ForeignInterfaceKeys keep(ModuleTypeLib(), identity.libId);
    RegisterTypeLibrary(ModuleFileName(ThisModule()));
}

void UnregisterModuleTypeLibrary()
{
    const LibraryIdentity identity = ModuleLibraryIdentity();
    const std::string name = ModuleLibraryName();
    const ForeignInterfaceKeys keep(ModuleTypeLib(), identity.libId);
    UnregisterTypeLibrary(ComTypeLibEntry{&identity.libId, name.c_str(), identity.major, identity.minor});
}

std::string ClassKey(const CLSID& clsid) { return "CLSID\\" + GUIDToString(clsid); }

} // namespace

// ---- ComObjectFactory -------------------------------------------------------------------

ComObjectFactory::ComObjectFactory(const CLSID& clsid, CreateObjectFn create)
    : clsid_(clsid), create_(create)
{
}

ComObjectFactory::~ComObjectFactory() = default;

HRESULT ComObjectFactory::CreateInstance(REFIID iid, void** object) const noexcept
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return create_(iid, object);
}

std::string ComObjectFactory::ClassName() const
{
    BStr name;
    OleCheck(ModuleTypeInfo(clsid_)->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr));
    return name.ToString();
}

std::string ComObjectFactory::Description() const
{
    BStr text;
    OleCheck(ModuleTypeInfo(clsid_)->GetDocumentation(MEMBERID_NIL, nullptr, text.Put(), nullptr, nullptr));
    return text.ToString();
}

std::string ComObjectFactory::ProgID() const { return ModuleLibraryName() + "." + ClassName(); }

void ComObjectFactory::UpdateRegistry(bool registering)
{
    const std::string classKey = ClassKey(clsid_);
    const std::string progId = ProgID();
    if (!registering) {
        ClassesKeyWriter::DeleteTree(progId);
        ClassesKeyWriter::DeleteTree(classKey);
        return;
    }
    const std::string clsid = GUIDToString(clsid_);
    const std::string description = Description();
    const LibraryIdentity library = ModuleLibraryIdentity();
    const ClassesKeyWriter writer(classKey);
    writer.Write(classKey, description);
    writer.Write(classKey + "\\InprocServer32", ModuleFileName(ThisModule()));
    writer.Write(classKey + "\\InprocServer32", kApartment, kThreadingModelValue);
    writer.Write(classKey + "\\ProgID", progId);
    writer.Write(classKey + "\\TypeLib", GUIDToString(library.libId));
    writer.Write(classKey + "\\Version", VersionText(library.major, library.minor));
    writer.Write(progId, description);
    writer.Write(progId + "\\CLSID", clsid);
}

// ---- ActiveFormFactory -----------------------------------------------------------------

ActiveFormFactory::ActiveFormFactory(const CLSID& clsid, CreateObjectFn create, int toolboxBitmap,
                                     DWORD miscStatus)
    : ComObjectFactory(clsid, create), toolboxBitmap_(toolboxBitmap), miscStatus_(miscStatus)
{
}

void ActiveFormFactory::UpdateRegistry(bool registering)
{
    // Unregistering removes the whole class key, the control entries with it.
    ComObjectFactory::UpdateRegistry(registering);
    if (!registering)
        return;
    const std::string classKey = ClassKey(ClassId());
    const ClassesKeyWriter writer(classKey);
    writer.Write(classKey + "\\Control", "");
    writer.Write(classKey + "\\MiscStatus", "0");
    writer.Write(classKey + "\\MiscStatus\\1", std::to_string(miscStatus_));
    writer.Write(classKey + "\\ToolboxBitmap32",
                 ModuleFileName(ThisModule()) + "," + std::to_string(toolboxBitmap_));
}

// ---- InprocServer ------------------------------------------------------------------------

InprocServer& InprocServer::Instance()
{
    static InprocServer server;
    return server;
}

void InprocServer::Add(std::unique_ptr<ComObjectFactory> factory)
{
    factories_.push_back(std::move(factory));
}

const ComObjectFactory* InprocServer::Find(const CLSID& clsid) const noexcept
{
    for (const auto& factory : factories_)
        if (IsEqualCLSID(factory->ClassId(), clsid))
            return factory.get();
    return nullptr;
}

HRESULT InprocServer::GetClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const ComObjectFactory* factory = Find(clsid);
    if (!factory)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* created = new (std::nothrow) ClassFactoryObject(FactoryCreate{*factory});
    if (!created)
        return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

HRESULT InprocServer::CanUnloadNow() const noexcept
{
    return ServedObjectsOutstanding() ? S_FALSE : S_OK;
}

HRESULT InprocServer::RegisterServer() noexcept
{
    // The first step that fails ends the registration; what was written
    // before it stays.
    const HRESULT hr = ComMethod([&] {
        RegisterModuleTypeLibrary();
        for (const auto& factory : factories_)
            factory->UpdateRegistry(true);
    });
    return FAILED(hr) ? E_FAIL : S_OK;
}

HRESULT InprocServer::UnregisterServer() noexcept
{
    // Everything is tried; the first failure is the one reported.
    HRESULT first = S_OK;
    std::string firstText;
    auto step = [&](auto&& body) {
        const HRESULT hr = ComMethod(body);
        if (FAILED(hr) && SUCCEEDED(first)) {
            first = hr;
            firstText = TakeErrorInfoDescription();
        }
    };
    step([] { UnregisterModuleTypeLibrary(); });
    for (const auto& factory : factories_)
        step([&] { factory->UpdateRegistry(false); });
    if (SUCCEEDED(first))
        return S_OK;
    SetComError(firstText, E_FAIL);
    return E_FAIL;
}

// ---- ComFactoryRegistration ---------------------------------------------------------------

ComFactoryRegistration::ComFactoryRegistration(std::unique_ptr<ComObjectFactory> factory)
{
    InprocServer::Instance().Add(std::move(factory));
}

} // namespace fw
