// The class factory of a plug-in object, shared by the plug-in libraries.
// Besides the framework's COM entries it makes the library a plug-in of the
// host: the plug-in key under the host's Plugins key (HKEY_CURRENT_USER),
// named by the object's class identifier, holding the plug-in's display
// name as its default value.
#pragma once
#include <string>
#include <vector>

#include "com/InprocServer.h"

namespace pixwell {

inline constexpr char kCreatePluginKeyError[] = "Unable to create registry key: ";
inline constexpr char kWriteDefaultValueError[] = "Unable to write value named \"Default\"";

class PluginObjectFactory : public fw::ComObjectFactory {
public:
    // `privateSubkeys`: full paths of the plug-in's own subkeys, deleted
    // before the plug-in key when the library is unregistered.
    PluginObjectFactory(const CLSID& clsid, fw::CreateObjectFn create, std::string pluginKey,
                        std::string pluginName, std::vector<std::string> privateSubkeys = {});

    // Registering: the framework's entries, then the plug-in key (created
    // with any missing parent) and its default value; raises fw::Error.
    // Unregistering: the private subkeys, the plug-in key with its values
    // (a missing key is no error), then the framework's entries.
    void UpdateRegistry(bool registering) override;

private:
    std::string pluginKey_;
    std::string pluginName_;
    std::vector<std::string> privateSubkeys_;
};

} // namespace pixwell
