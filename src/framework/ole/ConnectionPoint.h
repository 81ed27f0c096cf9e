// A connection point for one events dispinterface, living inside the object
// that offers it: its references are that object's, so the point never
// outlives it. Sinks are called through IDispatch.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <span>
#include <vector>

#include "com/ComObject.h"
#include "com/ComPtr.h"

namespace fw {

class EventConnectionPoint final : public IConnectionPoint {
public:
    // `events` is IID_NULL for an object without events: nobody connects.
    EventConnectionPoint(IConnectionPointContainer& owner, const IID& events) noexcept
        : owner_(owner), events_(events)
    {
    }
    EventConnectionPoint(const EventConnectionPoint&) = delete;
    EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

    static std::span<const InterfaceEntry> InterfaceMap() noexcept;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    const IID& EventsIID() const noexcept { return events_; }
    bool Connected() const noexcept { return !sinks_.empty(); }
    // Calls every connected sink; their failures are theirs.
    void Fire(DISPID id, DISPPARAMS& params);
    void DisconnectAll() noexcept { sinks_.clear(); }

    // IConnectionPointContainer's two methods for an object whose only
    // point this is.
    HRESULT EnumPoints(IEnumConnectionPoints** points) noexcept;
    HRESULT FindPoint(REFIID iid, IConnectionPoint** point) noexcept;

private:
    struct Connection {
        DWORD cookie;
        ComPtr<IDispatch> sink;
    };
    IConnectionPointContainer& owner_;
    IID events_;
    std::vector<Connection> sinks_;
    DWORD nextCookie_ = 1;
};

} // namespace fw
