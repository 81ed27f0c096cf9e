#include "pluginhost/PixwellObjectUnit.h"

#include <new>
#include <type_traits>
#include <utility>
#include <string>
#include <vector>

#include "common/PixwellInc.h"
#include "com/ComBStr.h"
#include "com/ComError.h"
#include "com/ComGuid.h"
#include "base/Errors.h"
#include "base/Registry.h"
#include "portable/CommaText.h"

const fw::ComTypeLibEntry kPixwellTypeLib{&LIBID_pixwell, "pixwell", 1, 0};

const fw::ComClassEntry kPixwellObjectClass{&CLSID_PixwellObject, "PixwellObject",
                                            kPixwellObjectDescription, &TPixwellObject::Create};

namespace {

const fw::ErrorOrigin kOrigin{"pixwell.PixwellObject", &IID_IPixwellObject};

// The catalogue's contract: an error raised in a method is answered with
// E_FAIL, its text in the thread's error information, whatever status the
// error carried. A status the body returns itself is passed on.
template <class Fn>
HRESULT CatalogueMethod(Fn&& body) noexcept
{
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Fn>>) {
            std::forward<Fn>(body)();
            return S_OK;
        } else {
            return std::forward<Fn>(body)();
        }
    } catch (...) {
        fw::ReportCurrentException(kOrigin);
        return E_FAIL;
    }
}

// Reads the subkey names of the plug-ins key into `names`, creating the key
// when it is missing. On an error `names` keeps what was read before it.
void ReadPluginNames(std::vector<std::string>& names)
{
    fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kPluginsKey);
    if (!key) {
        LONG rc = ERROR_SUCCESS;
        key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kPluginsKey, &rc);
        if (!key)
            throw fw::Error(fw::SystemMessage(static_cast<DWORD>(rc)));
        return;
    }
    if (key.EnumKeyNames(names) != ERROR_SUCCESS)
        throw fw::Error(kEnumeratingRegistryError);
}

} // namespace

HRESULT TPixwellObject::Create(REFIID iid, void** object) noexcept
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    auto* created = new (std::nothrow) TPixwellObject();
    if (!created)
        return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

HRESULT TPixwellObject::GetPluginList(BSTR* PluginList)
{
    if (!PluginList)
        return E_POINTER;
    *PluginList = nullptr;
    std::vector<std::string> names;
    const HRESULT readResult = CatalogueMethod([&] { ReadPluginNames(names); });
    // The names read before an error are handed out as well.
    const HRESULT listResult = CatalogueMethod(
        [&] { fw::SetOutBStr(PluginList, portable::ToCommaText(names)); });
    return FAILED(readResult) ? readResult : listResult;
}

HRESULT TPixwellObject::AddPlugin(BSTR /*FileName*/)
{
    // Plug-ins install themselves by registration; the catalogue only reads.
    return S_OK;
}

HRESULT TPixwellObject::RemovePlugin(BSTR /*FileName*/)
{
    return S_OK;
}

HRESULT TPixwellObject::GetPlugin(BSTR PluginNick, IPixwellPlugin** PluginInstance)
{
    if (!PluginInstance)
        return E_POINTER;
    *PluginInstance = nullptr;
    return CatalogueMethod([&]() -> HRESULT {
        const std::string nick = fw::WideToAnsi({PluginNick ? PluginNick : L"",
                                                 PluginNick ? SysStringLen(PluginNick) : 0});
        // Raises when the text is no class identifier (nor a registered
        // ProgID) or when no server could make the object.
        const fw::ComPtr<IUnknown> object = fw::CreateComObject(fw::StringToGUID(nick));
        const HRESULT hr =
            object->QueryInterface(IID_IPixwellPlugin, reinterpret_cast<void**>(PluginInstance));
        if (FAILED(hr))
            *PluginInstance = nullptr;
        return hr;
    });
}

HRESULT TPixwellObject::InterfaceSupportsErrorInfo(REFIID iid)
{
    return IsEqualIID(iid, IID_IPixwellObject) ? S_OK : S_FALSE;
}
