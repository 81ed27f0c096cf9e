// The settings dialog "Vistrel Settings": start with Windows, quick mode,
// the undo depth, and the plug-ins checked by default in every new wizard.
// It reads the stored values when it is created and writes them only on OK;
// Cancel, Escape and the close box write nothing. The tray menu's
// "Options..." makes one, shows it modally and destroys it:
//     PixwellOptions = fw::CreateForm<TPixwellOptions>(trayWindow);
//     PixwellOptions->ShowModal();
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "help/HelpDisplay.h"
#include "pluginhost/CheckedPluginsUnit.h"
#include "settings/SettingsStore.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"

inline constexpr char kPixwellOptionsCaption[] = "Vistrel Settings";
inline constexpr char kOptionsCancelCaption[] = "Cancel";
inline constexpr char kOptionsOkCaption[] = "OK";
inline constexpr char kOptionsHelpCaption[] = "Help";
inline constexpr char kStartWithWindowsCaption[] = "Start Vistrel with Windows";
inline constexpr char kQuickModeCaption[] = "Quick mode";
inline constexpr char kDefaultPluginsCaption[] = "Default plugins:";
inline constexpr char kUndoStepsCaption[] = "Undo buffer steps:";
inline constexpr char kOptionsHelpTopic[] = "configuring.html";
// OK with quick mode on and no plug-in checked.
inline constexpr char kQuickModeNeedsPluginsText[] =
    "For QuickMode you will check some plugins for automatic activation.";

// Where the dialog reads and writes; tests put in their own.
struct TOptionsEnvironment {
    TSettingsEnvironment settings = TSettingsEnvironment::System();
    AppDataFolderQuery appDataFolder = ShellAppDataFolder;
    // The Help button's topic display; the program's help display when empty.
    THelpTopicDisplay showHelp;
};

class TPixwellOptions : public fw::Form {
public:
    // `owner`: the tray window.
    explicit TPixwellOptions(fw::Window* owner = nullptr, TOptionsEnvironment environment = {});
    ~TPixwellOptions() override;

    // Components, in tab order where they take the focus.
    std::unique_ptr<fw::Button> Button2; // "Cancel"
    std::unique_ptr<fw::Button> Button1; // "OK"
    std::unique_ptr<fw::CheckBox> cbStartWithWindows;
    std::unique_ptr<fw::CheckBox> cbQuickMode;
    std::unique_ptr<fw::Bevel> Bevel1;
    std::unique_ptr<fw::Label> Label1; // "Default plugins:"
    // One row per installed plug-in, each owning its TPluginInfo (the
    // record goes with its row).
    std::unique_ptr<fw::ListView> ActionsView;
    std::unique_ptr<fw::Label> Label2; // "Undo buffer steps:"
    std::unique_ptr<fw::SpinEdit> seBufferSteps;
    std::unique_ptr<fw::Button> Button3; // "Help"

    // Fills the list, then reads the settings; an error in either is shown
    // and the steps after it are skipped.
    void FormCreate();
    // Lists the installed plug-ins, checked as the default-plug-ins file says.
    void FillPluginList();
    // The stored values into the controls: quick mode and the undo depth,
    // then whether the program starts with Windows.
    void ReadSettings();
    // Quick mode off, or at least one plug-in checked.
    bool QuickModeHasPlugins() const;
    // OK: the quick-mode check, then the values, the autorun value and the
    // default-plug-ins file, in this order.
    void Button1Click();
    // Help: the topic of this dialog.
    void Button3Click();

private:
    TSettingsStore store_;
    AppDataFolderQuery appDataFolder_;
    THelpTopicDisplay showHelp_;
};
