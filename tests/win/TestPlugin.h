// The COM half of the small plug-ins the host's tests make up: reference
// counting, IUnknown/IDispatch/IPixwellPlugin identity, and an IDispatch that
// refuses (the host never calls it). A test class adds GetPluginInfo and
// Execute, and may answer further interfaces in QueryOther.
#pragma once
#include "pixwell_TLB.h"

#include <windows.h>

class TestPluginBase : public IPixwellPlugin {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IPixwellPlugin)) {
            *object = static_cast<IPixwellPlugin*>(this);
            AddRef();
            return S_OK;
        }
        return QueryOther(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = --refs_;
        if (refs == 0)
            delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // Hands out `plugin` as `iid` and drops the creator's reference.
    static HRESULT Hand(TestPluginBase* plugin, REFIID iid, void** object)
    {
        const HRESULT hr = plugin->QueryInterface(iid, object);
        plugin->Release();
        return hr;
    }

protected:
    virtual ~TestPluginBase() = default;
    virtual HRESULT QueryOther(REFIID, void** object)
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    ULONG refs_ = 1;
};
