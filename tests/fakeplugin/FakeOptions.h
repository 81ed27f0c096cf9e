// The fake plug-in's options control: an ActiveForm with an edit box and two
// buttons (tab order: TextEdit, FirstButton, SecondButton) that records the
// host's calls (FakeConfig.h).
#pragma once
#include <string>

#include "FakeConfig.h"
#include "fakeplugin_TLB.h"
#include "ole/ActiveForm.h"
#include "ui/Controls.h"

namespace fake {

class TFakeOptions final : public fw::ActiveForm<TFakeOptions, IFakeOptions, IPixwellPluginOptions> {
public:
    static const CLSID& ClassId() { return CLSID_FakeOptions; }

    TFakeOptions();
    ~TFakeOptions() override;

    // IPixwellPluginOptions
    HRESULT STDMETHODCALLTYPE SetPlugin(IPixwellPlugin* plugin) override;
    HRESULT STDMETHODCALLTYPE SaveSettings(HRESULT* result) override;
    HRESULT STDMETHODCALLTYPE Notify(TNotifyMessages msg) override;

    fw::Label TextLabel;
    fw::Edit TextEdit;
    fw::Button FirstButton;
    fw::Button SecondButton;

protected:
    void Initialize() override;

private:
    std::string LogName() const;
    // The knobs of the plug-in the control was given (FakePluginObject's
    // before SetPlugin).
    Knobs PluginKnobs() const;
    const char* FocusText() const;

    long number_;
    std::string pluginKey_;
    fw::ComPtr<IFakePluginObject> plugin_;
};

} // namespace fake
