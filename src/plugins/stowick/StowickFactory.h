// The class factory of the plug-in object: the plug-in key with the
// plug-in's name, whose Recent subkey goes with it on unregistration.
#pragma once
#include "common/PluginFactory.h"

namespace stowick {

class TStowickFactory final : public pixwell::PluginObjectFactory {
public:
    TStowickFactory();
};

} // namespace stowick
