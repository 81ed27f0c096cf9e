#include "com/ComObject.h"

namespace fw {

HRESULT QueryInterfaceFromMap(void* object, std::span<const InterfaceEntry> map, REFIID iid,
                              void** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (map.empty())
        return E_NOINTERFACE;
    IUnknown* found = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
        found = map.front().get(object);
    } else {
        for (const InterfaceEntry& entry : map) {
            if (IsEqualIID(iid, *entry.iid)) {
                found = entry.get(object);
                break;
            }
        }
    }
    if (!found)
        return E_NOINTERFACE;
    found->AddRef();
    *result = found;
    return S_OK;
}

} // namespace fw
