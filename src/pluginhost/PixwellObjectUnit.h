// The plug-in catalogue: the COM object PixwellObject, served by the program
// itself as a local server, that lists the installed plug-ins from the
// registry and creates plug-in objects by identifier. It keeps no state:
// every call reads the registry afresh.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "com/ComObject.h"
#include "com/ComServer.h"

#include "pixwell_TLB.h"

inline constexpr char kEnumeratingRegistryError[] = "Error enumerating registry items";
inline constexpr char kPixwellObjectDescription[] = "PixwellObject Object";

// The program's type library "pixwell" 1.0, embedded as TYPELIB resource 1.
extern const fw::ComTypeLibEntry kPixwellTypeLib;
// The catalogue's class table entry: multi-instance, a new TPixwellObject for
// every creation request.
extern const fw::ComClassEntry kPixwellObjectClass;

class TPixwellObject final
    : public fw::ComObject<TPixwellObject, IPixwellObject, ISupportErrorInfo> {
public:
    // Makes a catalogue and queries it for `iid`.
    static HRESULT Create(REFIID iid, void** object) noexcept;

    // IPixwellObject. Errors never leave a method: each is caught, set as the
    // thread's error information and answered with E_FAIL.
    HRESULT STDMETHODCALLTYPE GetPluginList(BSTR* PluginList) override;
    HRESULT STDMETHODCALLTYPE AddPlugin(BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE RemovePlugin(BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE GetPlugin(BSTR PluginNick, IPixwellPlugin** PluginInstance) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    TPixwellObject() = default;
    ~TPixwellObject() override = default;

    fw::ServedObjectLock served_;
};
