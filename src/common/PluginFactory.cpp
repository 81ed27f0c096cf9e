#include "common/PluginFactory.h"

#include <utility>

#include "base/Errors.h"
#include "base/Registry.h"

namespace pixwell {

PluginObjectFactory::PluginObjectFactory(const CLSID& clsid, fw::CreateObjectFn create, std::string pluginKey,
                                         std::string pluginName, std::vector<std::string> privateSubkeys)
    : fw::ComObjectFactory(clsid, create),
      pluginKey_(std::move(pluginKey)),
      pluginName_(std::move(pluginName)),
      privateSubkeys_(std::move(privateSubkeys))
{
}

void PluginObjectFactory::UpdateRegistry(bool registering)
{
    if (!registering) {
        // Whatever is already gone stays gone; nothing here can fail.
        for (const std::string& subkey : privateSubkeys_)
            fw::RegKey::DeleteKey(HKEY_CURRENT_USER, subkey.c_str());
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pluginKey_.c_str());
        fw::ComObjectFactory::UpdateRegistry(false);
        return;
    }

    fw::ComObjectFactory::UpdateRegistry(true);
    fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, pluginKey_.c_str());
    if (!key)
        key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, pluginKey_.c_str());
    if (!key)
        throw fw::Error(kCreatePluginKeyError + pluginKey_);
    if (key.WriteString(nullptr, pluginName_) != ERROR_SUCCESS)
        throw fw::Error(kWriteDefaultValueError);
}

} // namespace pixwell
