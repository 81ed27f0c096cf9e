// Reference counting, QueryInterface and a class factory for the small COM
// objects the framework hands out (class factories, enumerators): each exposes
// one interface besides IUnknown and deletes itself on its last Release.
#pragma once
#include "com/ComServer.h"

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace fw {

// COM interfaces have no virtual destructor; these objects delete themselves
// in Release, never through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class Itf, const IID& ItfIid>
class SingleInterfaceObject : public Itf {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, ItfIid)) {
            *object = static_cast<Itf*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

protected:
    SingleInterfaceObject() = default;
    virtual ~SingleInterfaceObject() = default;

private:
    LONG refs_ = 1;
};

// A class factory that refuses aggregation and makes a new object for every
// request through `Create` (a callable taking the IID and the out pointer).
// LockServer counts in the server's lock count.
template <class Create>
class ClassFactoryObject final : public SingleInterfaceObject<IClassFactory, IID_IClassFactory> {
public:
    explicit ClassFactoryObject(Create create) noexcept(noexcept(Create(std::move(create))))
        : create_(std::move(create))
    {
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return create_(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            fw::LockServer();
        else
            fw::UnlockServer();
        return S_OK;
    }

private:
    Create create_;
};
#pragma GCC diagnostic pop

} // namespace fw
