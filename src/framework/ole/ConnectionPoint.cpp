#include "ole/ConnectionPoint.h"

#include <olectl.h>

#include <algorithm>
#include <new>

namespace fw {
namespace {

// The enumeration of an object's one connection point.
class ConnectionPointEnum final : public ComObject<ConnectionPointEnum, IEnumConnectionPoints> {
public:
    explicit ConnectionPointEnum(IConnectionPoint* point, ULONG position = 0) noexcept
        : point_(point), position_(position)
    {
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override
    {
        if (!points || (count > 1 && !fetched))
            return E_POINTER;
        ULONG done = 0;
        if (count > 0 && position_ == 0) {
            points[0] = ComPtr<IConnectionPoint>(point_).Detach();
            position_ = 1;
            done = 1;
        }
        if (fetched)
            *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const ULONG left = 1 - position_;
        position_ += std::min(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) override
    {
        if (!copy)
            return E_POINTER;
        *copy = new (std::nothrow) ConnectionPointEnum(point_.Get(), position_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~ConnectionPointEnum() override = default;

    ComPtr<IConnectionPoint> point_;
    ULONG position_;
};

} // namespace

std::span<const InterfaceEntry> EventConnectionPoint::InterfaceMap() noexcept
{
    static const InterfaceEntry map[] = {InterfaceOf<EventConnectionPoint, IConnectionPoint>()};
    return map;
}

HRESULT EventConnectionPoint::QueryInterface(REFIID iid, void** object)
{
    return QueryInterfaceFromMap(this, InterfaceMap(), iid, object);
}

HRESULT EventConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = events_;
    return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = &owner_;
    owner_.AddRef();
    return S_OK;
}

HRESULT EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    ComPtr<IDispatch> dispatch;
    // Events are called through IDispatch; a sink that answers only for
    // IDispatch is taken too.
    if (FAILED(sink->QueryInterface(events_, dispatch.PutVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.PutVoid())))
        return CONNECT_E_CANNOTCONNECT;
    try {
        sinks_.push_back({nextCookie_, std::move(dispatch)});
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT EventConnectionPoint::Unadvise(DWORD cookie)
{
    const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                    [&](const Connection& c) { return c.cookie == cookie; });
    if (found == sinks_.end())
        return CONNECT_E_NOCONNECTION;
    sinks_.erase(found);
    return S_OK;
}

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** connections)
{
    if (connections)
        *connections = nullptr;
    return E_NOTIMPL;
}

void EventConnectionPoint::Fire(DISPID id, DISPPARAMS& params)
{
    // A sink may disconnect itself (or others) while it is called.
    const std::vector<Connection> sinks = sinks_;
    for (const Connection& c : sinks)
        c.sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                       nullptr);
}

HRESULT EventConnectionPoint::EnumPoints(IEnumConnectionPoints** points) noexcept
{
    if (!points)
        return E_POINTER;
    *points = new (std::nothrow) ConnectionPointEnum(this);
    return *points ? S_OK : E_OUTOFMEMORY;
}

HRESULT EventConnectionPoint::FindPoint(REFIID iid, IConnectionPoint** point) noexcept
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (IsEqualIID(events_, IID_NULL) || !IsEqualIID(iid, events_))
        return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

} // namespace fw
