// The library file of the e-mail plug-in: the classes it serves. The
// exports come from the framework's in-process server (see postrel.def).
#include <memory>

#include "postrel/PostrelFactory.h"
#include "postrel/PostrelOptionsImpl.h"
#include "com/InprocServer.h"

namespace {

const fw::ComFactoryRegistration kPostrelObjectClass(std::make_unique<postrel::TPixwellPostrelFactory>());
const fw::ComFactoryRegistration kPostrelOptionsClass(
    std::make_unique<fw::ActiveFormFactory>(CLSID_PostrelOptions, &postrel::TPostrelOptions::CreateInstance));

} // namespace
