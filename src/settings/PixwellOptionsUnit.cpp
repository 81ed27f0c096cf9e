#include "settings/PixwellOptionsUnit.h"

#include <utility>
#include <vector>

#include "com/ComGuid.h"
#include "com/ComPtr.h"
#include "pluginhost/PluginInfo.h"
#include "ui/Dialogs.h"

namespace {

constexpr int kClientWidth = 493;
constexpr int kClientHeight = 291;

} // namespace

TPixwellOptions::TPixwellOptions(fw::Window* owner, TOptionsEnvironment environment)
    : fw::Form(owner),
      store_(std::move(environment.settings)),
      appDataFolder_(std::move(environment.appDataFolder)),
      showHelp_(std::move(environment.showHelp))
{
    if (!showHelp_)
        showHelp_ = &ShowProgramHelpTopic;

    SetCaption(kPixwellOptionsCaption);
    SetBorderStyle(fw::BorderStyle::bsDialog);
    SetFont(fw::Font{"MS Sans Serif", -11, 0, fw::clWindowText});
    SetColor(fw::clBtnFace);
    SetClientSize(kClientWidth, kClientHeight);
    SetPosition(fw::Position::poDesktopCenter);

    // Created in declaration order, which puts the controls that take the
    // focus in their tab order: Cancel, OK, the two check boxes, the list,
    // the spin box, Help.
    Button2 = std::make_unique<fw::Button>(*this, fw::Bounds{331, 260, 75, 25}, kOptionsCancelCaption);
    Button2->SetModalResult(fw::mrCancel);
    Button2->SetCancel(true);
    Button1 = std::make_unique<fw::Button>(*this, fw::Bounds{252, 260, 75, 25}, kOptionsOkCaption);
    Button1->SetModalResult(fw::mrOk);
    Button1->SetDefault(true);
    Button1->OnClick = [this] { Button1Click(); };
    cbStartWithWindows =
        std::make_unique<fw::CheckBox>(*this, fw::Bounds{6, 7, 272, 17}, kStartWithWindowsCaption);
    cbQuickMode = std::make_unique<fw::CheckBox>(*this, fw::Bounds{6, 27, 199, 17}, kQuickModeCaption);
    Bevel1 = std::make_unique<fw::Bevel>(*this, fw::Bounds{8, 49, 474, 2}, fw::BevelShape::bsTopLine);
    Label1 = std::make_unique<fw::Label>(*this, 7, 56, kDefaultPluginsCaption);
    ActionsView = std::make_unique<fw::ListView>(*this, fw::Bounds{6, 71, 478, 178});
    ActionsView->AddColumn(kPluginNameColumn, kPluginNameColumnWidth);
    ActionsView->AddColumn(kPluginDescriptionColumn, kPluginDescriptionColumnWidth);
    Label2 = std::make_unique<fw::Label>(*this, 345, 9, kUndoStepsCaption);
    // Minimum and maximum both 0: no bounds.
    seBufferSteps = std::make_unique<fw::SpinEdit>(*this, fw::Bounds{443, 4, 40, 22});
    seBufferSteps->SetValue(0);
    Button3 = std::make_unique<fw::Button>(*this, fw::Bounds{409, 260, 75, 25}, kOptionsHelpCaption);
    Button3->OnClick = [this] { Button3Click(); };

    OnCreate = [this] { FormCreate(); };
}

TPixwellOptions::~TPixwellOptions()
{
    // The list's rows, and the records they own, go while all fields live.
    DoDestroy();
}

void TPixwellOptions::FormCreate()
{
    // Each step may raise; the framework shows the error and the steps after
    // it are skipped, so the dialog opens with what was set so far.
    FillPluginList();
    ReadSettings();
}

void TPixwellOptions::FillPluginList()
{
    const std::vector<std::string> checked = ReadCheckedPlugins(appDataFolder_);
    ActionsView->Clear();
    const fw::ComPtr<IPixwellObject> catalogue = CreatePluginCatalogue();
    ListInstalledPlugins(*catalogue, checked, [this](TInstalledPlugin&& row) {
        // The dialog shows no plug-in's help.
        row.Info->HelpTopic.clear();
        const int index = ActionsView->AddItem(row.Name, row.Description, std::move(row.Info));
        ActionsView->SetChecked(index, row.Checked);
    });
}

void TPixwellOptions::ReadSettings()
{
    TOptionsSettings settings;
    store_.ReadOptionsGeneral(settings);
    // Shown before the autorun key is opened, which may fail.
    cbQuickMode->SetChecked(settings.QuickMode);
    seBufferSteps->SetValue(settings.MaxHistorySteps);
    cbStartWithWindows->SetChecked(store_.ReadStartWithWindows());
}

bool TPixwellOptions::QuickModeHasPlugins() const
{
    if (!cbQuickMode->Checked())
        return true;
    for (int i = 0; i < ActionsView->Count(); ++i)
        if (ActionsView->Checked(i))
            return true;
    return false;
}

void TPixwellOptions::Button1Click()
{
    if (!QuickModeHasPlugins()) {
        fw::MessageBox(kQuickModeNeedsPluginsText, {}, MB_OK | MB_ICONERROR);
        // The button's OK is taken back: the dialog stays open.
        SetModalResult(fw::mrNone);
        return;
    }
    // OK has already set the dialog's result: an error raised by a step
    // below is shown, the steps after it are not done, and the dialog closes.
    store_.SaveOptionsSettings(cbQuickMode->Checked(), seBufferSteps->Value(),
                               cbStartWithWindows->Checked());
    std::vector<std::string> identifiers;
    for (int i = 0; i < ActionsView->Count(); ++i) {
        const auto* info = ActionsView->DataAs<TPluginInfo>(i);
        if (info && ActionsView->Checked(i))
            identifiers.push_back(fw::GUIDToString(info->PluginClsid));
    }
    WriteCheckedPlugins(identifiers, appDataFolder_);
}

void TPixwellOptions::Button3Click()
{
    showHelp_(kOptionsHelpTopic, Handle());
}
