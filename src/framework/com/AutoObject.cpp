#include "com/AutoObject.h"

#include <cstring>
#include <map>

#include "com/ComBStr.h"
#include "com/ComGuid.h"
#include "base/Errors.h"

namespace fw {
namespace {

constexpr char kTypeLibLoadError[] = "Error loading the type library of ";
constexpr char kTypeNotFoundError[] = "The type library has no type information for ";

// Type attributes, released on every path.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo& info) : info_(info) { OleCheck(info.GetTypeAttr(&attr_)); }
    ~TypeAttr() { info_.ReleaseTypeAttr(attr_); }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    const TYPEATTR* operator->() const noexcept { return attr_; }

private:
    ITypeInfo& info_;
    TYPEATTR* attr_ = nullptr;
};

// The referenced type of a coclass's `index`-th implemented interface.
ComPtr<ITypeInfo> ImplementedType(ITypeInfo& coclass, UINT index)
{
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> type;
    if (FAILED(coclass.GetRefTypeOfImplType(index, &ref)) ||
        FAILED(coclass.GetRefTypeInfo(ref, type.Put())))
        return {};
    return type;
}

// An interface the library's coclasses implement from an imported library.
ComPtr<ITypeInfo> FindImplementedInterface(ITypeLib& lib, REFGUID guid)
{
    const UINT count = lib.GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind{};
        ComPtr<ITypeInfo> coclass;
        if (FAILED(lib.GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS ||
            FAILED(lib.GetTypeInfo(i, coclass.Put())))
            continue;
        const UINT implemented = TypeAttr(*coclass)->cImplTypes;
        for (UINT k = 0; k < implemented; ++k) {
            ComPtr<ITypeInfo> type = ImplementedType(*coclass, k);
            if (type && IsEqualGUID(TypeAttr(*type)->guid, guid))
                return type;
        }
    }
    return {};
}

// The interface half of a dual interface's dispinterface description.
ComPtr<ITypeInfo> VtableHalf(ComPtr<ITypeInfo> info)
{
    {
        const TypeAttr attr(*info);
        if (attr->typekind != TKIND_DISPATCH || !(attr->wTypeFlags & TYPEFLAG_FDUAL))
            return info;
    }
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtable;
    OleCheck(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
    OleCheck(info->GetRefTypeInfo(ref, vtable.Put()));
    return vtable;
}

// The two halves of one dual interface, looked up once.
struct DispatchTypes {
    HRESULT status = S_OK;
    ComPtr<ITypeInfo> dispatch;
    ComPtr<ITypeInfo> vtable;
};

// Found types are kept for the module's lifetime; a failure is not, so a
// library registered later (an imported one) is still found then.
DispatchTypes DispatchTypesOf(REFIID iid)
{
    static std::map<GUID, DispatchTypes, bool (*)(const GUID&, const GUID&)> cache(
        [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; });
    auto found = cache.find(iid);
    if (found != cache.end())
        return found->second;
    DispatchTypes types;
    try {
        types.dispatch = ModuleTypeInfo(iid);
        types.vtable = VtableHalf(types.dispatch);
    } catch (const Error& e) {
        return DispatchTypes{FAILED(e.code()) ? e.code() : E_FAIL, {}, {}};
    }
    return cache.emplace(iid, std::move(types)).first->second;
}

} // namespace

ITypeLib& ModuleTypeLib()
{
    // Released when the module goes (a library's static objects end with it).
    static ComPtr<ITypeLib> lib;
    if (!lib) {
        const std::string path = ModuleFileName(ThisModule());
        const HRESULT hr = LoadTypeLibEx(AnsiToWide(path).c_str(), REGKIND_NONE, lib.Put());
        if (FAILED(hr))
            throw Error(kTypeLibLoadError + path + " (" + SystemMessage(static_cast<DWORD>(hr)) + ")",
                        hr);
    }
    return *lib;
}

ComPtr<ITypeInfo> ModuleTypeInfo(REFGUID guid, bool vtableHalf)
{
    ITypeLib& lib = ModuleTypeLib();
    ComPtr<ITypeInfo> info;
    if (FAILED(lib.GetTypeInfoOfGuid(guid, info.Put())))
        info = FindImplementedInterface(lib, guid);
    if (!info)
        throw Error(kTypeNotFoundError + GUIDToString(guid), TYPE_E_ELEMENTNOTFOUND);
    return vtableHalf ? VtableHalf(std::move(info)) : info;
}

std::string ModuleLibraryName()
{
    BStr name;
    OleCheck(ModuleTypeLib().GetDocumentation(-1, name.Put(), nullptr, nullptr, nullptr));
    return name.ToString();
}

std::string ModuleProgID(const CLSID& clsid)
{
    BStr name;
    OleCheck(ModuleTypeInfo(clsid)->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr,
                                                     nullptr));
    return ModuleLibraryName() + "." + name.ToString();
}

std::string ModuleProgIDOrEmpty(const CLSID& clsid) noexcept
{
    try {
        return ModuleProgID(clsid);
    } catch (...) {
        return {};
    }
}

namespace detail {

HRESULT DispatchTypeInfoCount(UINT* count) noexcept
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT DispatchTypeInfo(REFIID iid, UINT index, ITypeInfo** info) noexcept
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return ComMethod([&]() -> HRESULT {
        const DispatchTypes types = DispatchTypesOf(iid);
        if (FAILED(types.status))
            return types.status;
        *info = ComPtr<ITypeInfo>(types.dispatch).Detach();
        return S_OK;
    });
}

HRESULT DispatchIDsOfNames(REFIID iid, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) noexcept
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return ComMethod([&]() -> HRESULT {
        const DispatchTypes types = DispatchTypesOf(iid);
        if (FAILED(types.status))
            return types.status;
        return DispGetIDsOfNames(types.dispatch.Get(), names, count, ids);
    });
}

HRESULT DispatchInvoke(REFIID iid, void* object, DISPID id, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr) noexcept
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return ComMethod([&]() -> HRESULT {
        const DispatchTypes types = DispatchTypesOf(iid);
        if (FAILED(types.status))
            return types.status;
        // The object's own methods set the error information; Invoke hands
        // their status back as DISP_E_EXCEPTION with the description filled.
        return DispInvoke(object, types.vtable.Get(), id, flags, params, result, excepInfo, argErr);
    });
}

} // namespace detail

} // namespace fw
