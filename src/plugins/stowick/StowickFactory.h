// The class factory of the plug-in object. Besides the COM entries it makes
// the library a plug-in of the host: the plug-in key under the host's
// Plugins key, named by the object's class identifier.
#pragma once
#include "com/InprocServer.h"

namespace stowick {

inline constexpr char kCreatePluginKeyError[] = "Unable to create registry key: ";
inline constexpr char kWriteDefaultValueError[] = "Unable to write value named \"Default\"";

class TStowickFactory final : public fw::ComObjectFactory {
public:
    TStowickFactory();

    // Registering: the framework's entries, then the plug-in key and its
    // default value (the plug-in's name). Unregistering: the plug-in key with
    // its Recent subkey and settings (a missing key is no error), then the
    // framework's entries.
    void UpdateRegistry(bool registering) override;
};

} // namespace stowick
