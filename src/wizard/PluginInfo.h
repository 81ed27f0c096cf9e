// What the wizard keeps about each installed plug-in, and the catalogue it
// asks for them.
#pragma once
#include <windows.h>

#include <string>

#include "com/ComPtr.h"

#include "pixwell_TLB.h"

// The record owned by each row of a plug-in list.
struct TPluginInfo {
    GUID PluginClsid{};   // the plug-in object's class
    GUID OptionsClsid{};  // its options control's class
    std::string HelpTopic; // page of the help file for its options page
};

// Builds the record from a catalogue entry and what the plug-in answered to
// GetPluginInfo. Raises fw::Error when the entry or the options object name
// is not a class identifier.
TPluginInfo MakePluginInfo(const std::string& entry, const std::string& optionsObjectName,
                           std::string helpTopic);

// A new plug-in catalogue, created through COM by its class identifier
// (served by the program itself). Raises fw::Error when it can't be created
// or lacks IPixwellObject.
fw::ComPtr<IPixwellObject> CreatePluginCatalogue();
