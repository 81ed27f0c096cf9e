// Automation objects: COM objects whose IDispatch comes from the type library
// embedded in their own module (TYPELIB resource 1 of the EXE or DLL), so a
// dual interface needs no hand-written dispatch code. The module's library is
// loaded once and kept; each interface's type information is looked up once.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <oleauto.h>

#include <string>
#include <type_traits>

#include "base/Module.h"
#include "com/ComError.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/ComServer.h"

namespace fw {

// The type library embedded in this module, loaded on first use
// (LoadTypeLibEx, REGKIND_NONE) and kept. Raises fw::Error.
ITypeLib& ModuleTypeLib();

// Type information for a GUID that the module's library describes, or that
// one of its coclasses implements from an imported library. For a dual
// interface `vtableHalf` selects the interface half (the one ITypeInfo::Invoke
// calls through) instead of the dispinterface half. Raises fw::Error.
ComPtr<ITypeInfo> ModuleTypeInfo(REFGUID guid, bool vtableHalf = false);

// The library's name, and "<library>.<coclass>" for one of its coclasses.
std::string ModuleLibraryName();
std::string ModuleProgID(const CLSID& clsid);
// The same, with an empty text instead of an error.
std::string ModuleProgIDOrEmpty(const CLSID& clsid) noexcept;

namespace detail {

// The IDispatch methods of a dual interface `iid` whose vtable starts at
// `object`; the type information comes from ModuleTypeInfo, once per
// interface.
HRESULT DispatchTypeInfoCount(UINT* count) noexcept;
HRESULT DispatchTypeInfo(REFIID iid, UINT index, ITypeInfo** info) noexcept;
HRESULT DispatchIDsOfNames(REFIID iid, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) noexcept;
HRESULT DispatchInvoke(REFIID iid, void* object, DISPID id, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr) noexcept;

} // namespace detail

// IDispatch for the dual interface I, from the module's type library.
template <class I>
class DispatchImpl : public I {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        return detail::DispatchTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        return detail::DispatchTypeInfo(__uuidof(I), index, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override
    {
        return detail::DispatchIDsOfNames(__uuidof(I), riid, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override
    {
        return detail::DispatchInvoke(__uuidof(I), static_cast<I*>(this), id, riid, flags, params,
                                      result, excepInfo, argErr);
    }
};

// An automation object implementing the dual interfaces DefaultItf (also its
// IDispatch and identity) and OtherItfs, plus ISupportErrorInfo and
// IProvideClassInfo. The reference count is interlocked; every object holds
// the module lock, so DllCanUnloadNow and the local server's end-of-service
// see it. Derived provides a public default constructor, which may raise
// (creation then fails with the error), and
//     static const CLSID& ClassId();
// COM methods of Derived run their bodies through Method().
template <class Derived, class DefaultItf, class... OtherItfs>
class AutoObject : public ComObject<Derived, DispatchImpl<DefaultItf>, DispatchImpl<OtherItfs>...,
                                    ISupportErrorInfo, IProvideClassInfo> {
public:
    static std::span<const InterfaceEntry> InterfaceMap() noexcept
    {
        static const InterfaceEntry map[] = {
            InterfaceOf<Derived, DefaultItf>(),
            InterfaceOf<Derived, IDispatch, DefaultItf>(),
            InterfaceOf<Derived, OtherItfs>()...,
            InterfaceOf<Derived, ISupportErrorInfo>(),
            InterfaceOf<Derived, IProvideClassInfo>(),
        };
        return map;
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override
    {
        const bool ours = IsEqualIID(iid, __uuidof(DefaultItf)) ||
                          (IsEqualIID(iid, __uuidof(OtherItfs)) || ...);
        return ours ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        return ComMethod([&] { *info = ModuleTypeInfo(Derived::ClassId()).Detach(); });
    }

    // The creation function of the class's factory: a new object queried
    // for `iid`.
    static HRESULT CreateInstance(REFIID iid, void** object) noexcept
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        return ComMethod([&]() -> HRESULT {
            const auto held = ComPtr<IUnknown>::Adopt(static_cast<DefaultItf*>(new Derived()));
            return held->QueryInterface(iid, object);
        });
    }

protected:
    AutoObject() = default;

    // Runs a COM method's body (see ComMethod); errors name the class's
    // ProgID as their source and `iid` as the failing interface.
    template <class Fn>
    HRESULT Method(REFIID iid, Fn&& body) noexcept
    {
        static const std::string source = ModuleProgIDOrEmpty(Derived::ClassId());
        return ComMethod(ErrorOrigin{source.c_str(), &iid}, std::forward<Fn>(body));
    }

private:
    ServedObjectLock lock_;
};

} // namespace fw
