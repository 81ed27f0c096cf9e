#include "stowick/StowickFactory.h"

#include "stowick/FileSaveUnit.h"
#include "stowick/StowickSettings.h"

namespace stowick {

TStowickFactory::TStowickFactory()
    : pixwell::PluginObjectFactory(CLSID_StowickObject, &TStowickObject::CreateInstance, kPluginKey, kPluginName,
                                   {kRecentKey})
{
}

} // namespace stowick
