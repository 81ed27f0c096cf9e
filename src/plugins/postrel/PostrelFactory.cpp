#include "postrel/PostrelFactory.h"

#include "common/PixwellInc.h"
#include "postrel/PostrelUnit.h"

namespace postrel {

TPixwellPostrelFactory::TPixwellPostrelFactory()
    : pixwell::PluginObjectFactory(CLSID_PixwellPostrelObject, &TPixwellPostrelObject::CreateInstance,
                                   pixwell::kPostrelPluginKey, kPluginName)
{
}

} // namespace postrel
