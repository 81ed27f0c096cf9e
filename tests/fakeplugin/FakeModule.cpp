// The fake plug-in library's class table: two plug-in objects, registered
// as plug-ins, and their options control.
#include <memory>

#include "FakeOptions.h"
#include "FakePluginObject.h"
#include "FakePluginFactory.h"

namespace fake {
namespace {

const fw::ComFactoryRegistration kPluginClass(std::make_unique<TFakePluginFactory>(
    CLSID_FakePluginObject, &TFakePluginObject<0>::CreateInstance, kPluginName));
const fw::ComFactoryRegistration kPlugin2Class(std::make_unique<TFakePluginFactory>(
    CLSID_FakePluginObject2, &TFakePluginObject<1>::CreateInstance, kPlugin2Name));
const fw::ComFactoryRegistration kOptionsClass(
    std::make_unique<fw::ActiveFormFactory>(CLSID_FakeOptions, &TFakeOptions::CreateInstance));

} // namespace
} // namespace fake
