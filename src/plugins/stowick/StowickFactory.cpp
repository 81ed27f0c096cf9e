#include "stowick/StowickFactory.h"

#include <string>

#include "stowick/FileSaveUnit.h"
#include "stowick/StowickSettings.h"
#include "base/Errors.h"
#include "base/Registry.h"

namespace stowick {

TStowickFactory::TStowickFactory()
    : fw::ComObjectFactory(CLSID_StowickObject, &TStowickObject::CreateInstance)
{
}

void TStowickFactory::UpdateRegistry(bool registering)
{
    if (!registering) {
        // Whatever is already gone stays gone; nothing here can fail.
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, kRecentKey);
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, kPluginKey);
        fw::ComObjectFactory::UpdateRegistry(false);
        return;
    }

    fw::ComObjectFactory::UpdateRegistry(true);
    fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, kPluginKey);
    if (!key)
        key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, kPluginKey);
    if (!key)
        throw fw::Error(std::string(kCreatePluginKeyError) + kPluginKey);
    if (key.WriteString(nullptr, kPluginName) != ERROR_SUCCESS)
        throw fw::Error(kWriteDefaultValueError);
}

} // namespace stowick
