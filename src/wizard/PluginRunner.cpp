#include "wizard/PluginRunner.h"

#include <utility>
#include <vector>

#include "base/Errors.h"
#include "com/ComBStr.h"
#include "com/ComError.h"
#include "com/ComGuid.h"
#include "common/ImageStream.h"
#include "pluginhost/CheckedPluginsUnit.h"
#include "portable/CommaText.h"

namespace {

// Shows the wizard again when a plug-in's run ends, however it ends.
class TShowAgainGuard {
public:
    explicit TShowAgainGuard(fw::Form& form) : form_(form) {}
    ~TShowAgainGuard()
    {
        try {
            form_.Show();
        } catch (...) {
            // Showing a window raises nothing of its own; an error being
            // raised through here must not be replaced.
        }
    }
    TShowAgainGuard(const TShowAgainGuard&) = delete;
    TShowAgainGuard& operator=(const TShowAgainGuard&) = delete;

private:
    fw::Form& form_;
};

} // namespace

TPluginRunner::TPluginRunner(fw::OleContainer& site) : site_(site) {}

TPluginRunner::~TPluginRunner()
{
    Release();
}

void TPluginRunner::Host(const TPluginInfo& plugin)
{
    // Copies: the record may go while the plug-in's code runs.
    const GUID pluginClsid = plugin.PluginClsid;
    const GUID optionsClsid = plugin.OptionsClsid;

    // The previous plug-in's control and instance go first, so that a hosting
    // that fails on the way leaves nothing behind that Next could run: never
    // the old control paired with the new plug-in.
    Release();

    const fw::ComPtr<IPixwellObject> catalogue = CreatePluginCatalogue();
    // Every hosting works with an instance of its own.
    fw::ComPtr<IPixwellPlugin> instance;
    fw::CheckedCall([&] {
        return catalogue->GetPlugin(fw::BStr(fw::GUIDToString(pluginClsid)).Get(), instance.Put());
    });
    if (!instance)
        fw::OleCheck(E_POINTER);

    const std::string progId = fw::ClassIDToProgID(optionsClsid);
    site_.CreateObject(progId);
    try {
        const fw::ComPtr<IPixwellPluginOptions> options = HostedOptions();
        fw::CheckedCall([&] { return options->SetPlugin(instance.Get()); });
    } catch (...) {
        // A control without its plug-in has nothing to save settings for.
        site_.DestroyObject();
        throw;
    }
    // Hosted and given its plug-in: the pair is complete.
    plugin_ = std::move(instance);
    site_.DoVerb(OLEIVERB_SHOW);
}

bool TPluginRunner::Run(const fw::DibBitmap& picture, fw::Form& window)
{
    // What can't run is refused before the control is asked anything, so it
    // never saves settings (or, for e-mail, resolves names) for a run that
    // won't happen.
    const fw::ComPtr<IPixwellPluginOptions> options = HostedOptions();
    // Held for the call: nothing the plug-in does may release it under us.
    const fw::ComPtr<IPixwellPlugin> plugin = plugin_;
    if (!plugin)
        throw fw::Error(kNoPluginHostedError);
    if (picture.Empty() || picture.Width() <= 0 || picture.Height() <= 0)
        throw fw::Error(kEmptyImageError);

    // One variable takes both verdicts: a method that leaves its result
    // unwritten passes on the one before, so a plug-in that never writes its
    // results counts as successful.
    HRESULT result = S_OK;
    fw::CheckedCall([&] { return options->SaveSettings(&result); });
    // A control that refuses has told the user why.
    if (FAILED(result))
        return false;

    fw::ComPtr<IStream> stream = pixwell::MakeImageStream(picture.View());
    {
        // The plug-in's own windows stand in for the wizard while it runs.
        const TShowAgainGuard showAgain(window);
        window.Hide();
        fw::CheckedCall([&] {
            return plugin->Execute(stream.Get(), static_cast<long>(reinterpret_cast<LONG_PTR>(window.Handle())),
                                   &result);
        });
    }
    // The memory goes with the plug-in's last reference, if it kept one.
    stream.Reset();
    return SUCCEEDED(result);
}

void TPluginRunner::Notify(TNotifyMessages msg)
{
    if (site_.Empty())
        return;
    const fw::ComPtr<IPixwellPluginOptions> options = HostedOptions();
    fw::CheckedCall([&] { return options->Notify(msg); });
}

void TPluginRunner::Release() noexcept
{
    site_.DestroyObject();
    plugin_.Reset();
}

fw::ComPtr<IPixwellPluginOptions> TPluginRunner::HostedOptions() const
{
    const fw::ComPtr<IUnknown> object = site_.OleObject();
    if (!object)
        throw fw::Error(kNoOptionsHostedError);
    fw::ComPtr<IPixwellPluginOptions> options;
    fw::OleCheck(object.As(IID_IPixwellPluginOptions, options));
    return options;
}
