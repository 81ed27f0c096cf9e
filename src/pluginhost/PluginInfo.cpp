#include "pluginhost/PluginInfo.h"

#include <utility>

#include "com/ComBStr.h"
#include "com/ComError.h"
#include "com/ComGuid.h"
#include "pluginhost/CheckedPluginsUnit.h"
#include "portable/CommaText.h"

TPluginInfo MakePluginInfo(const std::string& entry, const std::string& optionsObjectName,
                           std::string helpTopic)
{
    TPluginInfo info;
    info.PluginClsid = fw::StringToGUID(entry);
    info.OptionsClsid = fw::StringToGUID(optionsObjectName);
    info.HelpTopic = std::move(helpTopic);
    return info;
}

fw::ComPtr<IPixwellObject> CreatePluginCatalogue()
{
    const fw::ComPtr<IUnknown> object = fw::CreateComObject(CLSID_PixwellObject);
    fw::ComPtr<IPixwellObject> catalogue;
    fw::OleCheck(object.As(IID_IPixwellObject, catalogue));
    return catalogue;
}

void ListInstalledPlugins(IPixwellObject& catalogue, const std::vector<std::string>& checkedLines,
                          const std::function<void(TInstalledPlugin&& row)>& addRow)
{
    // A failing list call still hands back whatever text it has. Its status
    // is not looked at, so neither is its error text: it must not stay on
    // the thread for a later failure without a text of its own to show.
    fw::BStr list;
    catalogue.GetPluginList(list.Put());
    SetErrorInfo(0, nullptr);

    for (const std::string& entry : portable::SplitCommaText(list.ToString())) {
        fw::ComPtr<IPixwellPlugin> plugin;
        if (FAILED(catalogue.GetPlugin(fw::BStr(entry).Get(), plugin.Put())) || !plugin) {
            // A plug-in that can't be made is left out without a word; its
            // error information must not be taken for a later error's.
            fw::TakeErrorInfoDescription();
            continue;
        }
        fw::BStr name, description, optionsObjectName, helpTopic;
        HRESULT result = S_OK;
        fw::CheckedCall([&] {
            return plugin->GetPluginInfo(name.Put(), description.Put(), optionsObjectName.Put(),
                                         helpTopic.Put(), &result);
        });
        // The plug-in's own verdict is not looked at. The record is complete
        // before its row exists, so no row is ever left without one.
        TInstalledPlugin row;
        row.Name = name.ToString();
        row.Description = description.ToString();
        row.Info = std::make_shared<TPluginInfo>(
            MakePluginInfo(entry, optionsObjectName.ToString(), helpTopic.ToString()));
        row.Checked = IsPluginChecked(checkedLines, row.Info->PluginClsid);
        addRow(std::move(row));
        // The instance goes with this pass: none is kept from the listing.
    }
}
