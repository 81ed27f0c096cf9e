#include "wizard/PluginInfo.h"

#include "com/ComError.h"
#include "com/ComGuid.h"

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
