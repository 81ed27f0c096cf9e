#include "FakeOptions.h"

#include "FakePluginObject.h"
#include "com/ComBStr.h"

namespace fake {
namespace {

constexpr char kCaption[] = "FakeOptions";
constexpr char kLabelText[] = "Text:";
constexpr char kFirstButtonText[] = "First";
constexpr char kSecondButtonText[] = "Second";

long g_controlCount = 0;

} // namespace

TFakeOptions::TFakeOptions()
    : TextLabel(*this, 8, 12, kLabelText),
      TextEdit(*this, {48, 8, 200, 21}),
      FirstButton(*this, {48, 40, 75, 25}, kFirstButtonText),
      SecondButton(*this, {130, 40, 75, 25}, kSecondButtonText),
      number_(++g_controlCount),
      pluginKey_(PluginKeyPath(PluginClassAt(0)))
{
    SetCaption(kCaption);
    SetClientSize(400, 80);
}

TFakeOptions::~TFakeOptions()
{
    Log(LogName() + " Destroy");
}

void TFakeOptions::Initialize()
{
    const Knobs knobs = PluginKnobs();
    Log(LogName() + " Create status=" + StatusText(knobs.Status("OptionsCreate")));
    knobs.ApplyStatus("OptionsCreate");
}

std::string TFakeOptions::LogName() const { return "FakeOptions#" + std::to_string(number_); }

Knobs TFakeOptions::PluginKnobs() const { return Knobs(pluginKey_); }

const char* TFakeOptions::FocusText() const
{
    HWND focus = GetFocus();
    return focus && (focus == Handle() || IsChild(Handle(), focus)) ? "inside" : "outside";
}

HRESULT TFakeOptions::SetPlugin(IPixwellPlugin* plugin)
{
    return Method(IID_IPixwellPluginOptions, [&]() -> HRESULT {
        fw::ComPtr<IFakePluginObject> fakePlugin;
        std::string described = "none";
        const PluginClass* pluginClass = nullptr;
        if (plugin && SUCCEEDED(plugin->QueryInterface(IID_IFakePluginObject, fakePlugin.PutVoid()))) {
            fw::BStr name;
            LONG number = 0;
            fw::OleCheck(fakePlugin->get_PluginName(name.Put()));
            fw::OleCheck(fakePlugin->get_InstanceNumber(&number));
            described = name.ToString() + "#" + std::to_string(number);
            pluginClass = FindPluginClass(name.ToString());
        } else if (plugin) {
            described = "foreign";
        }
        const Knobs knobs(pluginClass ? PluginKeyPath(*pluginClass) : pluginKey_);
        Log(LogName() + " SetPlugin plugin=" + described + " status=" + StatusText(knobs.Status("SetPlugin")));
        knobs.ApplyStatus("SetPlugin");
        // Like a real control: without its plug-in's private interface the
        // object is refused and nothing is kept.
        if (!fakePlugin)
            return E_NOINTERFACE;
        plugin_ = fakePlugin;
        if (pluginClass)
            pluginKey_ = PluginKeyPath(*pluginClass);
        return S_OK;
    });
}

HRESULT TFakeOptions::SaveSettings(HRESULT* result)
{
    return Method(IID_IPixwellPluginOptions, [&]() -> HRESULT {
        if (!result)
            return E_POINTER;
        const Knobs knobs = PluginKnobs();
        Log(LogName() + " SaveSettings focus=" + FocusText() + " text=" + Quote(TextEdit.Text()) +
            " status=" + StatusText(knobs.Status("SaveSettings")) +
            " result=" + StatusText(knobs.Result("SaveSettings")));
        knobs.ApplyStatus("SaveSettings");
        *result = knobs.Result("SaveSettings");
        return S_OK;
    });
}

HRESULT TFakeOptions::Notify(TNotifyMessages msg)
{
    return Method(IID_IPixwellPluginOptions, [&] {
        const Knobs knobs = PluginKnobs();
        Log(LogName() + " Notify msg=" + std::to_string(static_cast<int>(msg)) + " focus=" + FocusText() +
            " status=" + StatusText(knobs.Status("Notify")));
        knobs.ApplyStatus("Notify");
    });
}

} // namespace fake
