// The fake plug-in objects: FakePluginObject and FakePluginObject2 behave
// alike and differ only in class, name and plug-in key (FakeConfig.h).
#pragma once
#include <string>

#include "FakeConfig.h"
#include "fakeplugin_TLB.h"
#include "com/AutoObject.h"
#include "com/ComBStr.h"

namespace fake {

struct PluginClass {
    const CLSID& clsid;
    const char* className;   // the coclass, and the object's name in the log
    const char* displayName; // the plug-in key's default value
};

inline constexpr int kPluginClassCount = 2;
const PluginClass& PluginClassAt(int index);
// The class of that name, or null.
const PluginClass* FindPluginClass(const std::string& className);
std::string PluginKeyPath(const PluginClass& pluginClass);

// What both classes do; logs its creation and destruction.
class PluginObjectCore {
public:
    explicit PluginObjectCore(int classIndex);
    ~PluginObjectCore();
    PluginObjectCore(const PluginObjectCore&) = delete;
    PluginObjectCore& operator=(const PluginObjectCore&) = delete;

    const PluginClass& Class() const noexcept { return class_; }
    long Number() const noexcept { return number_; }
    std::string LogName() const;

    void GetPluginInfo(BSTR* name, BSTR* description, BSTR* optionsObjectName, BSTR* helpTopic,
                       HRESULT* result) const;
    void Execute(IUnknown* imageStream, LONG parentWnd, HRESULT* result) const;

private:
    const PluginClass& class_;
    long number_;
};

template <int Index>
class TFakePluginObject final
    : public fw::AutoObject<TFakePluginObject<Index>, IFakePluginObject, IPixwellPlugin> {
public:
    static const CLSID& ClassId() { return PluginClassAt(Index).clsid; }

    TFakePluginObject() : core_(Index) {}

    // IFakePluginObject
    HRESULT STDMETHODCALLTYPE get_InstanceNumber(LONG* value) override
    {
        if (!value)
            return E_POINTER;
        *value = core_.Number();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_PluginName(BSTR* value) override
    {
        return this->Method(IID_IFakePluginObject, [&] { fw::SetOutBStr(value, core_.Class().className); });
    }

    // IPixwellPlugin
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR* name, BSTR* description, BSTR* optionsObjectName,
                                            BSTR* helpTopic, HRESULT* result) override
    {
        return this->Method(IID_IPixwellPlugin, [&] {
            core_.GetPluginInfo(name, description, optionsObjectName, helpTopic, result);
        });
    }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown* imageStream, LONG parentWnd, HRESULT* result) override
    {
        return this->Method(IID_IPixwellPlugin, [&] { core_.Execute(imageStream, parentWnd, result); });
    }

private:
    PluginObjectCore core_;
};

} // namespace fake
