// The post-capture wizard: preview of the captured image, the choice of the
// plug-ins that are to receive it, their options pages while they run, and a
// report page from which the image can be left on the clipboard.
//
// The capture window makes one per capture:
//     auto wizard = fw::CreateForm<TAfterScreenShotWindow>();
//     wizard->AssignImage(capture);
//     wizard->ShowModal();
// then destroys it and trims the working set. Everything else is driven by
// the window's own events.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pluginhost/PluginInfo.h"
#include "wizard/ImageEditor.h"
#include "wizard/PluginRunner.h"
#include "wizard/Shape.h"
#include "com/ComPtr.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "gdi/DibBitmap.h"
#include "ui/Form.h"
#include "ui/ImageControl.h"
#include "ui/ListView.h"
#include "ui/Menu.h"
#include "ole/OleContainer.h"
#include "ui/PageBook.h"
#include "ui/ScrollBox.h"
#include "ui/Timer.h"
#include "help/HelpDisplay.h"
#include "ui/ToolBar.h"
#include "ui/ToolTip.h"

// Captions and texts of the wizard, as the user sees them.
inline constexpr char kWizardCaption[] = "Vistrel";
inline constexpr char kHelpCaption[] = "Help";
inline constexpr char kBackCaption[] = "<  Back";
inline constexpr char kNextCaption[] = "Next  >";
inline constexpr char kCancelCaption[] = "Cancel";
inline constexpr char kCloseCaption[] = "Close";
inline constexpr char kWizardHelpTopic[] = "creating.html";
// The executing page asked for a row that holds no plug-in.
inline constexpr char kNoPluginInRowError[] = "No plug-in in row ";

class TAfterScreenShotWindow : public fw::Form {
public:
    // No owner: the wizard is a window of its own on the task bar. `showHelp`
    // defaults to the program's help display.
    explicit TAfterScreenShotWindow(THelpTopicDisplay showHelp = {});
    ~TAfterScreenShotWindow() override;

    // The captured picture: `ScreenShot` takes a copy (or the bitmap itself)
    // and sizes itself to it.
    void AssignImage(const fw::DibBitmap& image);
    void AssignImage(fw::DibBitmap&& image);

    // ---- Controls outside the pages -------------------------------------------
    std::unique_ptr<fw::PageBook> Notebook;
    std::unique_ptr<fw::Bevel> Bevel1;
    std::unique_ptr<fw::Button> Button1; // "Help"
    std::unique_ptr<fw::Button> Back;
    std::unique_ptr<fw::Button> Next;
    std::unique_ptr<fw::Button> Finalize; // "Cancel", "Close" on the report page
    std::unique_ptr<fw::Timer> Timer;

    // ---- Page 0 "Prevew": banner and the image editor ------------------------
    std::unique_ptr<fw::Image> Image; // the banner
    std::unique_ptr<fw::Panel> Panel1;
    std::unique_ptr<TShape> Shape;
    std::unique_ptr<fw::ScrollBox> ScrollBox;
    std::unique_ptr<fw::Image> ScreenShot;
    std::unique_ptr<fw::Panel> ToolbarPanel;
    std::unique_ptr<fw::ToolBar> ToolBar;
    // The tool bar's buttons, top to bottom; the six tools are one check
    // group, tbSettings a plain button.
    fw::ToolButton* tbMove = nullptr;
    fw::ToolButton* tbPaint = nullptr;
    fw::ToolButton* tbLine = nullptr;
    fw::ToolButton* tbEllipse = nullptr;
    fw::ToolButton* tbSquare = nullptr;
    fw::ToolButton* tbText = nullptr;
    fw::ToolButton* tbSettings = nullptr;
    std::unique_ptr<TShape> PenColor;      // its fill colour is the pen colour
    std::unique_ptr<fw::Label> Label1;     // "To do Step Backward - press"
    std::unique_ptr<fw::LinkLabel> Label6; // "Ctrl-Z"
    std::unique_ptr<fw::Label> Label2;     // "Click Next to continue."
    // The hints of the page's controls other than the tool bar's buttons.
    std::unique_ptr<fw::ToolTip> Hints;
    fw::ColorDialog ColorDialog;
    fw::FontDialog FontDialog;
    // Holding tbText down this long pops up FontClickPopup.
    std::unique_ptr<fw::Timer> FontClickTimer;
    fw::PopupMenu FontClickPopup;
    fw::MenuItem* FontSettings1 = nullptr; // "Font Settings..."
    // The colour-depth menu of tbSettings.
    fw::PopupMenu ImageInfoMenu;
    fw::MenuItem* N1bit1 = nullptr;
    fw::MenuItem* N4bit1 = nullptr;
    fw::MenuItem* N9bit1 = nullptr;
    fw::MenuItem* N15bit1 = nullptr;
    fw::MenuItem* N16bit1 = nullptr;
    fw::MenuItem* N24bit1 = nullptr;
    fw::MenuItem* N32bit1 = nullptr;
    // The picture of ScreenShot with its tools, pen, text box and undo
    // history. Declared after the controls it works in, so it goes first.
    std::unique_ptr<TImageEditor> Editor;

    // ---- Page 1 "ChoosePlugins" ----------------------------------------------
    std::unique_ptr<fw::Panel> Panel3; // white header
    std::unique_ptr<fw::Label> Label3;
    std::unique_ptr<fw::Label> Label4;
    std::unique_ptr<fw::Label> Label5;     // "or"
    std::unique_ptr<fw::LinkLabel> Label9; // "Skip"
    std::unique_ptr<fw::Label> Label10;    // "this pages."
    std::unique_ptr<fw::Panel> Panel2;
    std::unique_ptr<fw::ListView> ActionsView;

    // ---- Page 2 "ExecutePlugins" -------------------------------------------------
    // Hosts the options control of the plug-in being run; fills the page.
    std::unique_ptr<fw::OleContainer> PluginContainer;

    // ---- Page 3 "Report" -------------------------------------------------------
    std::unique_ptr<fw::Panel> Panel4; // white header
    std::unique_ptr<fw::Label> Label7;
    std::unique_ptr<fw::Panel> Panel5;
    std::unique_ptr<fw::CheckBox> cbLeaveInClipboard;
    std::unique_ptr<fw::Label> Label11;    // "Check for other plugins:"
    std::unique_ptr<fw::LinkLabel> Label8; // the product's web address

    // ---- State -------------------------------------------------------------------
    // Quick mode as read at creation: start on the first marked plug-in's
    // page and close after it has run.
    bool QuickModeFlag = false;
    // Undo depth as read at creation (0 when the settings were not read).
    int32_t HistoryLimit = 0;
    // Row of ActionsView whose plug-in's options page is up; -1 for none.
    int CurrentPluginIndex = -1;
    // The plug-in instance whose options control is hosted: a new one for
    // each hosting, released with the window; null for none.
    const fw::ComPtr<IPixwellPlugin>& CurrentPlugin() const noexcept { return runner_->Plugin(); }

    // ---- Event handlers ------------------------------------------------------------
    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void TimerTimer();
    void NotebookPageChanged();
    void BackClick();
    void NextClick();
    void FinalizeClick();
    void Label9Click();
    void Label8Click();
    void Button1Click();
    void ActionsViewDeletion(int index);
    void PluginContainerEnter();
    void PluginContainerExit();
    // Ctrl+Z (Shift and Alt held or not) undoes on every page; the key goes
    // on to the control with the focus. No other key undoes (F11 neither).
    void FormKeyDown(WORD& key, fw::ShiftState shift);

    // ---- Image editor (page 0) -------------------------------------------------------
    // The tool of the button that is down (editing::TTool); -1 for none.
    int CurrentTool() const;
    void ScreenShotMouseDown(fw::MouseButton button, fw::ShiftState shift, int x, int y);
    void ScreenShotMouseMove(fw::ShiftState shift, int x, int y);
    void ScreenShotMouseUp(fw::MouseButton button, fw::ShiftState shift, int x, int y);
    void tbMoveClick();
    void tbPaintClick();
    void tbLineClick();
    void tbSquareClick();
    void tbEllipseClick();
    void tbTextClick();
    void tbSettingsClick();
    void tbTextMouseDown(fw::MouseButton button, fw::ShiftState shift, int x, int y);
    void tbTextMouseUp(fw::MouseButton button, fw::ShiftState shift, int x, int y);
    void FontClickTimerTimer();
    void FontSettings1Click();
    void PenColorMouseUp(fw::MouseButton button, fw::ShiftState shift, int x, int y);
    void N1bit1Click();
    void N4bit1Click();
    void N9bit1Click();
    void N15bit1Click();
    void N16bit1Click();
    void N24bit1Click();
    void N32bit1Click();
    void Label6Click();
    void Undo();

    // ---- Plug-ins ---------------------------------------------------------------------
    // Lists the installed plug-ins, marked as the default list says.
    void FillPluginList();
    // The first checked row after `index` (-1: the first of all), or -1.
    int NextCheckedPlugin(int index) const;
    // Hosts the options page of the plug-in in row `index`.
    void ShowPluginOptions(int index);
    // Saves the hosted page's settings and runs its plug-in on the image;
    // true when both report success.
    bool RunCurrentPlugin();

    // ---- Settings ------------------------------------------------------------------------
    void LoadSettings();
    void StoreClipboardSetting();

private:
    void CreateButtons();
    void CreatePreviewPage(fw::Panel& page);
    void CreateChoosePluginsPage(fw::Panel& page);
    void CreateExecutePluginsPage(fw::Panel& page);
    void CreateReportPage(fw::Panel& page);
    void CreateToolBar();
    void CreateEditorMenus();
    void ClearEditorState();
    // Puts a tool's button down and shows the tool's pointer over the picture.
    void ChooseTool(fw::ToolButton& button);
    void ChangeDepth(img::PixelFormat format);
    // A client point of the tool bar beside `button`'s top right corner, on
    // the screen: where its menus pop up.
    POINT BesideButton(const fw::ToolButton& button) const;

    THelpTopicDisplay showHelp_;
    // Makes the plug-ins' COM calls; hosts their controls in PluginContainer.
    std::unique_ptr<TPluginRunner> runner_;

    // tbText was let go before FontClickTimer fired: no font menu.
    bool TextButtonReleased = true;
};
