// The plug-in catalogue: the COM object PixwellObject, served by the program
// itself as a local server, that lists the installed plug-ins from the
// registry and creates plug-in objects by identifier. It keeps no state:
// every call reads the registry afresh.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "com/ComServer.h"

// The generated interface declarations, like the system's, have no virtual
// destructors.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include "pixwell_TLB.h"
#pragma GCC diagnostic pop

inline constexpr char kEnumeratingRegistryError[] = "Error enumerating registry items";
inline constexpr char kPixwellObjectDescription[] = "PixwellObject Object";

// The program's type library "pixwell" 1.0, embedded as TYPELIB resource 1.
extern const fw::ComTypeLibEntry kPixwellTypeLib;
// The catalogue's class table entry: multi-instance, a new TPixwellObject for
// every creation request.
extern const fw::ComClassEntry kPixwellObjectClass;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TPixwellObject final : public IPixwellObject, public ISupportErrorInfo {
public:
    // Makes a catalogue and queries it for `iid`.
    static HRESULT Create(REFIID iid, void** object) noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

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
    ~TPixwellObject() = default;

    LONG refs_ = 1;
    fw::ServedObjectLock served_;
};
#pragma GCC diagnostic pop
