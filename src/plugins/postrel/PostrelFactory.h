// The class factory of the plug-in object: the plug-in key with the
// plug-in's name. The page's settings live in the file-save plug-in's key,
// so unregistering this library leaves them alone.
#pragma once
#include "common/PluginFactory.h"

namespace postrel {

class TPixwellPostrelFactory final : public pixwell::PluginObjectFactory {
public:
    TPixwellPostrelFactory();
};

} // namespace postrel
