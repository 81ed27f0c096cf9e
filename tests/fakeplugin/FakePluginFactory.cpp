#include "FakePluginFactory.h"

#include <utility>

#include "common/PixwellInc.h"
#include "com/ComGuid.h"
#include "base/Errors.h"
#include "base/Registry.h"

namespace fake {

TFakePluginFactory::TFakePluginFactory(const CLSID& clsid, fw::CreateObjectFn create, std::string displayName)
    : ComObjectFactory(clsid, create), displayName_(std::move(displayName))
{
}

void TFakePluginFactory::UpdateRegistry(bool registering)
{
    const std::string path = std::string(pixwell::kPluginsKey) + "\\" + fw::GUIDToString(ClassId());
    if (registering) {
        ComObjectFactory::UpdateRegistry(true);
        fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, path.c_str());
        if (!key)
            key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, path.c_str());
        if (!key)
            throw fw::Error(kCreatePluginKeyError + path);
        if (key.WriteString(nullptr, displayName_) != ERROR_SUCCESS)
            throw fw::Error(kWriteDefaultValueError);
        return;
    }
    // What cannot be deleted, or is not there, stays; no error.
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, (path + "\\" + kPrivateSubkey).c_str(), true);
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, path.c_str());
    ComObjectFactory::UpdateRegistry(false);
}

} // namespace fake
