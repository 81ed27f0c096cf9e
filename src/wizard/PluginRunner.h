// The host's side of the plug-in contract in the wizard: hosting a plug-in's options
// control with a fresh instance of the plug-in, the focus notifications, and
// the run itself (SaveSettings, the image stream, Execute). Every COM call of
// a plug-in run is made here; the wizard window only routes its events.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "com/ComPtr.h"
#include "gdi/DibBitmap.h"
#include "ole/OleContainer.h"
#include "ui/Form.h"
#include "pluginhost/PluginInfo.h"

// Next on the executing page when hosting failed and left nothing to run.
inline constexpr char kNoOptionsHostedError[] = "No plug-in options page is hosted.";
inline constexpr char kNoPluginHostedError[] = "No plug-in is hosted on this page.";
// A capture released where it was pressed leaves a picture of no pixels,
// which has no BMP form to hand to a plug-in; the run is refused with this.
inline constexpr char kEmptyImageError[] =
    "The selected area is empty: there is no image to hand to the plug-in.";

class TPluginRunner {
public:
    // Hosts the plug-ins' options controls in `site`, which outlives the
    // runner.
    explicit TPluginRunner(fw::OleContainer& site);
    // The control goes before the plug-in instance it was given.
    ~TPluginRunner();
    TPluginRunner(const TPluginRunner&) = delete;
    TPluginRunner& operator=(const TPluginRunner&) = delete;

    // Hosts the options control of `plugin` with a new instance of it. The
    // control hosted before goes first, with its instance; when hosting
    // fails nothing is hosted and Plugin() is null. Raises with the plug-in's
    // or the system's text.
    void Host(const TPluginInfo& plugin);
    // The plug-in instance given to the hosted control; null for none.
    const fw::ComPtr<IPixwellPlugin>& Plugin() const noexcept { return plugin_; }

    // Has the hosted control save its settings, then runs the plug-in on
    // `picture`, written as a BMP file into a memory stream; `window` is
    // hidden meanwhile and is the plug-in's parent window. True when both
    // report success. Nothing hosted or a picture of no pixels is refused
    // (raised) before the control is asked anything.
    bool Run(const fw::DibBitmap& picture, fw::Form& window);

    // Tells the hosted control that the focus entered or left it; nothing
    // when no control is hosted.
    void Notify(TNotifyMessages msg);

    // Takes the hosted control down, then releases the plug-in instance.
    void Release() noexcept;

private:
    // The hosted control's side of the contract; raises when none is hosted.
    fw::ComPtr<IPixwellPluginOptions> HostedOptions() const;

    fw::OleContainer& site_;
    fw::ComPtr<IPixwellPlugin> plugin_;
};
