// The library file of the file-save plug-in: the classes it serves. The
// exports come from the framework's in-process server (see stowick.def).
#include <memory>

#include "stowick/StowickFactory.h"
#include "stowick/StowickOptionsImpl.h"
#include "com/InprocServer.h"

namespace {

const fw::ComFactoryRegistration kStowickObjectClass(std::make_unique<stowick::TStowickFactory>());
const fw::ComFactoryRegistration kStowickOptionsClass(
    std::make_unique<fw::ActiveFormFactory>(CLSID_StowickOptions, &stowick::TStowickOptions::CreateInstance));

} // namespace
