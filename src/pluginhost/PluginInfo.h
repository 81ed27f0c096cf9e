// The installed plug-ins as the program's two plug-in lists show them (the
// wizard's choose page and the settings dialog's "Default plugins:"): the
// record each row owns, the catalogue that is asked for them, and the walk
// over the catalogue that both lists are filled from.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com/ComPtr.h"

#include "pixwell_TLB.h"

// The columns of a plug-in list, in report style with a check box per row.
inline constexpr char kPluginNameColumn[] = "Name";
inline constexpr int kPluginNameColumnWidth = 150;
inline constexpr char kPluginDescriptionColumn[] = "Description";
inline constexpr int kPluginDescriptionColumnWidth = 500;

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

// One row of a plug-in list.
struct TInstalledPlugin {
    std::string Name;        // the row's caption
    std::string Description; // its one sub-item
    std::shared_ptr<TPluginInfo> Info; // complete before the row exists
    bool Checked = false;    // listed among the default plug-ins
};

// Walks the catalogue's plug-ins in its order and hands each one that can
// be created to `addRow`: GetPluginList (its status is not tested), then per
// entry GetPlugin (an entry whose plug-in can't be made is skipped without a
// word), GetPluginInfo (a failing call raises) and the record. A row is
// checked when its plug-in's identifier is among `checkedLines`, compared
// without regard to letter case. Each plug-in instance is released before
// the next entry. An error ends the walk; the rows handed out stay.
void ListInstalledPlugins(IPixwellObject& catalogue, const std::vector<std::string>& checkedLines,
                          const std::function<void(TInstalledPlugin&& row)>& addRow);
