// The one object kit of every COM object in the program and the plug-ins: an
// interlocked reference count that deletes the object on its last Release,
// and QueryInterface from an interface map (a table of IIDs and the base
// each is reached through), never an if chain per class.
//
// COM interfaces have no virtual destructor. Objects built on the kit are
// deleted only by their own Release, through ComObject's virtual destructor,
// so no other class needs to silence the compiler about it.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <span>
#include <utility>

#include "com/ComServer.h"

namespace fw {

// One row of an interface map: the IID, and the object's interface pointer
// for it (an IUnknown of the right sub-object; no reference taken).
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*get)(void* object) noexcept;
};

// The row for `Itf` of an `Object`, reached through its base `Via` (the base
// to take when several bases derive from `Itf`, as IOleWindow or IDispatch).
template <class Object, class Itf, class Via = Itf>
InterfaceEntry InterfaceOf(const IID& iid = __uuidof(Itf)) noexcept
{
    return {&iid, [](void* object) noexcept -> IUnknown* {
                return static_cast<Via*>(static_cast<Object*>(object));
            }};
}

// QueryInterface over `map`: IID_IUnknown gives the first row (the object's
// identity), any other IID its own row; AddRefs what it hands out.
HRESULT QueryInterfaceFromMap(void* object, std::span<const InterfaceEntry> map, REFIID iid,
                              void** result) noexcept;

// The base of a COM object `Derived` that implements the interfaces
// `Bases`. The default interface map lists each base by its own IID, the
// first being the identity; a class with aliases (IDispatch, IOleWindow) or
// extra rows declares its own
//     static std::span<const InterfaceEntry> InterfaceMap();
// Constructor arguments go to the first base. The count starts at 1: the
// creator owns the first reference (ComPtr<T>::Adopt).
template <class Derived, class First, class... Rest>
class ComObject : public First, public Rest... {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override
    {
        return QueryInterfaceFromMap(static_cast<Derived*>(this), Derived::InterfaceMap(), iid,
                                     result);
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&refs_);
        if (refs != 0)
            return static_cast<ULONG>(refs);
        // References taken and given back during the clean-up must not
        // start it a second time.
        refs_ = 1 << 30;
        static_cast<Derived*>(this)->FinalRelease();
        delete this;
        return 0;
    }

    static std::span<const InterfaceEntry> InterfaceMap() noexcept
    {
        static const InterfaceEntry map[] = {InterfaceOf<Derived, First>(),
                                             InterfaceOf<Derived, Rest>()...};
        return map;
    }

protected:
    template <class... Args>
    explicit ComObject(Args&&... args) : First(std::forward<Args>(args)...)
    {
    }
    virtual ~ComObject() = default;

    // Runs once the count reaches 0, before the destructor, while the object
    // is still whole (a window to destroy, connections to drop).
    void FinalRelease() noexcept {}

private:
    LONG refs_ = 1;
};

// A class factory that refuses aggregation and makes a new object for every
// request through `Create` (a callable taking the IID and the out pointer).
// LockServer counts in the server's lock count.
template <class Create>
class ClassFactoryObject final : public ComObject<ClassFactoryObject<Create>, IClassFactory> {
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

} // namespace fw
