// The class factory of the fake plug-in objects. Like every plug-in library's
// own factory it adds to the framework's COM registration the plug-in key
// under the host's Plugins key, which makes the plug-in appear in the host.
#pragma once
#include <string>

#include "com/InprocServer.h"

namespace fake {

inline constexpr char kCreatePluginKeyError[] = "Unable to create registry key: ";
inline constexpr char kWriteDefaultValueError[] = "Unable to write value named \"Default\"";
// Plug-in-private data the tests may put into a plug-in key; unregistering
// deletes it before the key, as the file-save plug-in does with its Recent.
inline constexpr char kPrivateSubkey[] = "Private";

class TFakePluginFactory final : public fw::ComObjectFactory {
public:
    TFakePluginFactory(const CLSID& clsid, fw::CreateObjectFn create, std::string displayName);

    // Registering: the framework's entries, then the plug-in key (created
    // with missing parents when it does not exist) with the display name as
    // its default value; a failure raises. Unregistering: the private subkey,
    // then the plug-in key with its values, failures ignored; then the
    // framework's entries.
    void UpdateRegistry(bool registering) override;

private:
    std::string displayName_;
};

} // namespace fake
