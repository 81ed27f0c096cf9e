#include "wizard/AfterScreenShotWindowUnit.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "pluginhost/CheckedPluginsUnit.h"
#include "gdi/ResourceBitmap.h"
#include "wizard/ToolGlyphs.h"
#include "settings/SettingsStore.h"
#include "wizard/WizardPageFlow.h"
#include "common/PixwellInc.h"
#include "ui/Clipboard.h"
#include "base/Errors.h"
#include "help/HelpDisplay.h"
#include "common/ProgramResources.h"

namespace {

// Page names of the page book (never shown).
constexpr char kPreviewPageName[] = "Prevew";
constexpr char kChoosePluginsPageName[] = "ChoosePlugins";
constexpr char kExecutePluginsPageName[] = "ExecutePlugins";
constexpr char kReportPageName[] = "Report";

// Page 0.
constexpr char kUndoHintText[] = "To do Step Backward - press";
constexpr char kUndoKeyText[] = "Ctrl-Z";
constexpr char kContinueText[] = "Click Next to continue.";
// Hints of the editor's tool bar and swatch.
constexpr char kMoveHint[] = "Move image";
constexpr char kPaintHint[] = "Free hand paint";
constexpr char kLineHint[] = "Paint a line";
constexpr char kEllipseHint[] = "Draw ellipse";
constexpr char kSquareHint[] = "Draw square";
constexpr char kTextHint[] = "Type text";
constexpr char kSettingsHint[] = "Image settings";
constexpr char kPenColorHint[] = "Pen color";
constexpr char kFontSettingsText[] = "Font Settings...";
// Entries of the colour-depth menu.
constexpr char k1BitText[] = "1 bit";
constexpr char k4BitText[] = "4 bit";
constexpr char k8BitText[] = "8 bit";
constexpr char k15BitText[] = "15 bit";
constexpr char k16BitText[] = "16 bit";
constexpr char k24BitText[] = "24 bit";
constexpr char k32BitText[] = "32 bit";
// Holding the text tool's button this long opens the font menu.
constexpr unsigned kFontClickDelayMs = 500;
// Page 1.
constexpr char kChooseTitleText[] = "Mark plugins to work with captured image";
constexpr char kChooseHintText[] =
    "You will see currently installed plugins. Please mark checkboxes for plugins you need.";
constexpr char kOrText[] = "or";
constexpr char kSkipText[] = "Skip";
constexpr char kThisPagesText[] = "this pages.";
// Page 3.
constexpr char kReportTitleText[] = "All operations with grabbed image are completed.";
constexpr char kLeaveInClipboardText[] = "Leave screen-shot in Clipboard";
constexpr char kOtherPluginsText[] = "Check for other plugins:";

constexpr int kClientWidth = 542;
constexpr int kClientHeight = 306;
constexpr int kWindowLeft = 88;
constexpr int kWindowTop = 187;
constexpr int kHeaderHeight = 51;
// Blank between a text and the link that continues it on the same line.
constexpr int kWordGap = 3;

// A white header strip as wizards have: the page's title in bold on top.
std::unique_ptr<fw::Panel> MakeHeaderPanel(fw::Panel& page)
{
    auto header = std::make_unique<fw::Panel>(page, fw::Bounds{0, 0, kClientWidth, kHeaderHeight});
    header->SetBevelOuter(fw::PanelBevel::pbNone);
    header->SetColor(fw::clWhite);
    return header;
}

std::unique_ptr<fw::Panel> MakeBodyPanel(fw::Panel& page)
{
    auto body = std::make_unique<fw::Panel>(
        page, fw::Bounds{0, kHeaderHeight, kClientWidth, page.ClientHeight() - kHeaderHeight});
    body->SetBevelOuter(fw::PanelBevel::pbNone);
    body->UseParentColor();
    return body;
}

} // namespace

TAfterScreenShotWindow::TAfterScreenShotWindow(THelpTopicDisplay showHelp)
    : showHelp_(std::move(showHelp))
{
    if (!showHelp_)
        showHelp_ = &ShowProgramHelpTopic;

    SetCaption(kWizardCaption);
    SetBorderStyle(fw::BorderStyle::bsDialog);
    SetSystemMenu(false);
    SetKeyPreview(true);
    SetFont(fw::Font{"MS Sans Serif", -11, 0, fw::clWindowText});
    SetClientSize(kClientWidth, kClientHeight);
    SetLeft(kWindowLeft);
    SetTop(kWindowTop);

    Notebook = std::make_unique<fw::PageBook>(
        *this, fw::Bounds{0, 0, kClientWidth, 270},
        std::initializer_list<std::string>{kPreviewPageName, kChoosePluginsPageName,
                                           kExecutePluginsPageName, kReportPageName});
    Notebook->SetAlign(fw::Align::alTop);
    CreatePreviewPage(Notebook->Page(wizard::wpPreview));
    CreateChoosePluginsPage(Notebook->Page(wizard::wpChoosePlugins));
    CreateExecutePluginsPage(Notebook->Page(wizard::wpExecutePlugins));
    CreateReportPage(Notebook->Page(wizard::wpReport));
    // The window is created on the report page; the timer's first tick, once
    // the modal loop runs, leaves it for the starting page.
    Notebook->SetPageIndex(wizard::wpReport);
    Notebook->OnPageChanged = [this] { NotebookPageChanged(); };

    CreateButtons();

    Timer = std::make_unique<fw::Timer>(1, true);
    Timer->OnTimer = [this] { TimerTimer(); };

    OnCreate = [this] { FormCreate(); };
    OnActivate = [this](bool active) {
        if (active)
            FormActivate();
    };
    OnClose = [this](fw::CloseAction&) { FormClose(); };
    OnDestroy = [this] { FormDestroy(); };
    OnKeyDown = [this](WORD& key, fw::ShiftState shift) { FormKeyDown(key, shift); };
}

TAfterScreenShotWindow::~TAfterScreenShotWindow()
{
    // The list's rows and the editor's objects go while all fields live.
    DoDestroy();
}

void TAfterScreenShotWindow::CreateButtons()
{
    Bevel1 = std::make_unique<fw::Bevel>(*this, fw::Bounds{4, 273, 534, 2}, fw::BevelShape::bsTopLine);
    Button1 = std::make_unique<fw::Button>(*this, fw::Bounds{5, 279, 75, 25}, kHelpCaption);
    Back = std::make_unique<fw::Button>(*this, fw::Bounds{298, 279, 75, 25}, kBackCaption);
    Next = std::make_unique<fw::Button>(*this, fw::Bounds{377, 279, 75, 25}, kNextCaption);
    Finalize = std::make_unique<fw::Button>(*this, fw::Bounds{464, 279, 75, 25}, kCancelCaption);
    // None is the default or cancel button: Enter and Escape belong to the
    // pages (the text tool, the plug-ins' options pages).
    Button1->OnClick = [this] { Button1Click(); };
    Back->OnClick = [this] { BackClick(); };
    Next->OnClick = [this] { NextClick(); };
    Finalize->OnClick = [this] { FinalizeClick(); };
}

void TAfterScreenShotWindow::CreatePreviewPage(fw::Panel& page)
{
    Image = std::make_unique<fw::Image>(page, fw::Bounds{0, 0, 149, 270});
    Image->SetPicture(fw::LoadResourceBitmap(nullptr, IDB_BANNER));

    Panel1 = std::make_unique<fw::Panel>(page, fw::Bounds{149, 0, 393, 270});
    Panel1->SetBevelOuter(fw::PanelBevel::pbNone);
    Panel1->SetColor(fw::clHighlightText);

    ScrollBox = std::make_unique<fw::ScrollBox>(*Panel1, fw::Bounds{5, 3, 359, 232});
    ScrollBox->SetBorder(false);
    ScrollBox->SetAutoScroll(false);
    ScrollBox->SetColor(fw::clInfoBk);
    ScreenShot = std::make_unique<fw::Image>(*ScrollBox, fw::Bounds{0, 0, 0, 0});
    ScreenShot->SetAutoSize(true);
    // One image pixel per screen pixel, at every display scale.
    ScreenShot->SetScaled(false);
    ScreenShot->SetCursor(fw::crHandPoint);
    ScreenShot->OnMouseDown = [this](fw::MouseButton b, fw::ShiftState s, int x, int y) {
        ScreenShotMouseDown(b, s, x, y);
    };
    ScreenShot->OnMouseMove = [this](fw::ShiftState s, int x, int y) { ScreenShotMouseMove(s, x, y); };
    ScreenShot->OnMouseUp = [this](fw::MouseButton b, fw::ShiftState s, int x, int y) {
        ScreenShotMouseUp(b, s, x, y);
    };
    Shape = std::make_unique<TShape>(*Panel1, fw::Bounds{3, 1, 362, 236});
    Editor = std::make_unique<TImageEditor>(*ScrollBox, *ScreenShot);

    CreateToolBar();
    PenColor = std::make_unique<TShape>(*Panel1, fw::Bounds{368, 159, 22, 22});
    PenColor->SetBrushColor(Editor->PenColor());
    PenColor->OnMouseUp = [this](fw::MouseButton b, fw::ShiftState s, int x, int y) {
        PenColorMouseUp(b, s, x, y);
    };
    Hints = std::make_unique<fw::ToolTip>(*this);
    Hints->Add(*PenColor, kPenColorHint);
    CreateEditorMenus();

    Label1 = std::make_unique<fw::Label>(*Panel1, 5, 241, kUndoHintText);
    // The link follows the text; where the system's substitute for the
    // dialog font runs wider than designed, it moves right rather than
    // covering the text.
    Label6 = std::make_unique<fw::LinkLabel>(*Panel1, 146, 241, kUndoKeyText);
    Label6->Follow(*Label1, kWordGap, 146);
    Label2 = std::make_unique<fw::Label>(*Panel1, 5, 255, kContinueText);
    Label6->OnClick = [this] { Label6Click(); };
}

void TAfterScreenShotWindow::CreateToolBar()
{
    ToolbarPanel = std::make_unique<fw::Panel>(*Panel1, fw::Bounds{368, -1, 23, 157});
    ToolBar = std::make_unique<fw::ToolBar>(*ToolbarPanel, fw::Bounds{0, 0, 23, 157});
    const img::Rgb t = kToolGlyphTransparent;
    ToolBar->SetGlyphs(fw::DibBitmap(ToolGlyphStrip()), RGB(t.r, t.g, t.b));

    const auto tool = [this](int glyph, const char* hint, void (TAfterScreenShotWindow::*click)()) {
        fw::ToolButton& button = ToolBar->AddButton(glyph, fw::ToolButtonStyle::tbsCheckGroup, hint);
        button.OnClick = [this, click] { (this->*click)(); };
        return &button;
    };
    tbMove = tool(tgMove, kMoveHint, &TAfterScreenShotWindow::tbMoveClick);
    tbPaint = tool(tgFreeHand, kPaintHint, &TAfterScreenShotWindow::tbPaintClick);
    tbLine = tool(tgLine, kLineHint, &TAfterScreenShotWindow::tbLineClick);
    tbEllipse = tool(tgEllipse, kEllipseHint, &TAfterScreenShotWindow::tbEllipseClick);
    tbSquare = tool(tgSquare, kSquareHint, &TAfterScreenShotWindow::tbSquareClick);
    tbText = tool(tgText, kTextHint, &TAfterScreenShotWindow::tbTextClick);
    tbSettings = &ToolBar->AddButton(tgSettings, fw::ToolButtonStyle::tbsButton, kSettingsHint);
    tbSettings->OnClick = [this] { tbSettingsClick(); };
    tbText->OnMouseDown = [this](fw::MouseButton b, fw::ShiftState s, int x, int y) {
        tbTextMouseDown(b, s, x, y);
    };
    tbText->OnMouseUp = [this](fw::MouseButton b, fw::ShiftState s, int x, int y) {
        tbTextMouseUp(b, s, x, y);
    };
    tbMove->SetDown(true);
}

void TAfterScreenShotWindow::CreateEditorMenus()
{
    FontClickTimer = std::make_unique<fw::Timer>(kFontClickDelayMs, false);
    FontClickTimer->OnTimer = [this] { FontClickTimerTimer(); };
    FontSettings1 = &FontClickPopup.Add(kFontSettingsText, [this] { FontSettings1Click(); });

    N1bit1 = &ImageInfoMenu.Add(k1BitText, [this] { N1bit1Click(); });
    N4bit1 = &ImageInfoMenu.Add(k4BitText, [this] { N4bit1Click(); });
    N9bit1 = &ImageInfoMenu.Add(k8BitText, [this] { N9bit1Click(); });
    N15bit1 = &ImageInfoMenu.Add(k15BitText, [this] { N15bit1Click(); });
    N16bit1 = &ImageInfoMenu.Add(k16BitText, [this] { N16bit1Click(); });
    N24bit1 = &ImageInfoMenu.Add(k24BitText, [this] { N24bit1Click(); });
    N32bit1 = &ImageInfoMenu.Add(k32BitText, [this] { N32bit1Click(); });
}

void TAfterScreenShotWindow::CreateChoosePluginsPage(fw::Panel& page)
{
    Panel3 = MakeHeaderPanel(page);
    Label3 = std::make_unique<fw::Label>(*Panel3, 16, 6, kChooseTitleText);
    Label3->SetBold(true);
    Label4 = std::make_unique<fw::Label>(*Panel3, 32, 21, kChooseHintText);
    Label5 = std::make_unique<fw::Label>(*Panel3, 32, 35, kOrText);
    Label9 = std::make_unique<fw::LinkLabel>(*Panel3, 0, 35, kSkipText);
    Label9->Follow(*Label5, kWordGap);
    Label10 = std::make_unique<fw::Label>(*Panel3, 0, 35, kThisPagesText);
    Label10->Follow(*Label9, kWordGap);
    Label9->OnClick = [this] { Label9Click(); };

    Panel2 = MakeBodyPanel(page);
    ActionsView = std::make_unique<fw::ListView>(
        *Panel2, fw::Bounds{8, 8, Panel2->ClientWidth() - 16, Panel2->ClientHeight() - 16});
    ActionsView->AddColumn(kPluginNameColumn, kPluginNameColumnWidth);
    ActionsView->AddColumn(kPluginDescriptionColumn, kPluginDescriptionColumnWidth);
    ActionsView->OnDeletion = [this](int index, void*) { ActionsViewDeletion(index); };
}

void TAfterScreenShotWindow::CreateExecutePluginsPage(fw::Panel& page)
{
    // Activated only when a plug-in's page is hosted, never by a click.
    PluginContainer = std::make_unique<fw::OleContainer>(
        page, fw::Bounds{0, 0, page.ClientWidth(), page.ClientHeight()});
    PluginContainer->OnEnter = [this] { PluginContainerEnter(); };
    PluginContainer->OnExit = [this] { PluginContainerExit(); };
    runner_ = std::make_unique<TPluginRunner>(*PluginContainer);
}

void TAfterScreenShotWindow::CreateReportPage(fw::Panel& page)
{
    Panel4 = MakeHeaderPanel(page);
    Label7 = std::make_unique<fw::Label>(*Panel4, 16, 6, kReportTitleText);
    Label7->SetBold(true);

    Panel5 = MakeBodyPanel(page);
    cbLeaveInClipboard =
        std::make_unique<fw::CheckBox>(*Panel5, fw::Bounds{136, 56, 267, 17}, kLeaveInClipboardText);
    Label11 = std::make_unique<fw::Label>(*Panel5, 136, 100, kOtherPluginsText);
    Label8 = std::make_unique<fw::LinkLabel>(*Panel5, 0, 100, pixwell::kProductWebAddress);
    Label8->Follow(*Label11, kWordGap);
    Label8->OnClick = [this] { Label8Click(); };
}

void TAfterScreenShotWindow::AssignImage(const fw::DibBitmap& image)
{
    ScreenShot->SetPicture(image);
}

void TAfterScreenShotWindow::AssignImage(fw::DibBitmap&& image)
{
    ScreenShot->SetPicture(std::move(image));
}

// ---- Window events -----------------------------------------------------------------

void TAfterScreenShotWindow::FormCreate()
{
    // Each step may raise; the framework shows the error and the steps after
    // it are skipped, so the wizard opens with what was set so far. The
    // editor starts with no drag, no text box and an empty history.
    ClearEditorState();
    QuickModeFlag = false;
    FillPluginList();
    LoadSettings();
}

void TAfterScreenShotWindow::ClearEditorState()
{
    Editor->ClearState();
    Editor->History().Clear();
}

void TAfterScreenShotWindow::FormActivate()
{
    // Runs on every activation, also when the wizard reappears after a
    // plug-in has run, so a small picture is always centred.
    fw::Bounds bounds = ScreenShot->GetBounds();
    bounds.left = wizard::CentredPosition(ScrollBox->Width(), bounds.width, bounds.left);
    bounds.top = wizard::CentredPosition(ScrollBox->Height(), bounds.height, bounds.top);
    ScreenShot->SetBounds(bounds);
}

void TAfterScreenShotWindow::FormClose()
{
    StoreClipboardSetting();
}

void TAfterScreenShotWindow::FormDestroy()
{
    ClearEditorState();
    if (runner_)
        runner_->Release();
}

void TAfterScreenShotWindow::TimerTimer()
{
    Timer->SetEnabled(false);
    Notebook->SetPageIndex(QuickModeFlag ? wizard::wpExecutePlugins : wizard::wpPreview);
}

void TAfterScreenShotWindow::NotebookPageChanged()
{
    const int page = Notebook->PageIndex();
    const wizard::TPageButtons buttons = wizard::ButtonsForPage(page);
    Back->SetEnabled(buttons.back);
    Next->SetEnabled(buttons.next);

    if (page == wizard::wpExecutePlugins) {
        // Every arrival starts over with the first marked plug-in.
        CurrentPluginIndex = NextCheckedPlugin(-1);
        if (CurrentPluginIndex < 0)
            Notebook->SetPageIndex(wizard::wpReport);
        else
            ShowPluginOptions(CurrentPluginIndex);
    } else if (page == wizard::wpReport) {
        // Quick mode never shows the report: the wizard ends here.
        if (QuickModeFlag)
            Close();
        Finalize->SetCaption(kCloseCaption);
    }
}

void TAfterScreenShotWindow::BackClick()
{
    Notebook->SetPageIndex(Notebook->PageIndex() - 1);
}

void TAfterScreenShotWindow::NextClick()
{
    if (Notebook->PageIndex() != wizard::wpExecutePlugins) {
        Notebook->SetPageIndex(Notebook->PageIndex() + 1);
        return;
    }
    // A run that didn't succeed keeps its options page up for another try.
    if (!RunCurrentPlugin())
        return;
    CurrentPluginIndex = NextCheckedPlugin(CurrentPluginIndex);
    if (CurrentPluginIndex < 0)
        Notebook->SetPageIndex(wizard::wpReport);
    else if (QuickModeFlag)
        Close();
    else
        ShowPluginOptions(CurrentPluginIndex);
}

void TAfterScreenShotWindow::FinalizeClick()
{
    // A picture of no pixels (a capture released where it was pressed) has
    // nothing to leave there: the user's clipboard stays as it is.
    const fw::DibBitmap& picture = ScreenShot->Picture();
    if (Notebook->PageIndex() == wizard::wpReport && cbLeaveInClipboard->Checked() && !picture.Empty())
        fw::CopyBitmapToClipboard(picture);
    Close();
}

void TAfterScreenShotWindow::Label9Click()
{
    Notebook->SetPageIndex(wizard::wpReport);
}

void TAfterScreenShotWindow::Label8Click()
{
    ShellExecuteA(Handle(), "open", pixwell::kProductWebAddress, nullptr, nullptr, SW_SHOW);
}

void TAfterScreenShotWindow::Button1Click()
{
    std::string topic = kWizardHelpTopic;
    if (Notebook->PageIndex() == wizard::wpExecutePlugins && CurrentPluginIndex >= 0 &&
        CurrentPluginIndex < ActionsView->Count()) {
        if (const auto* info = ActionsView->DataAs<TPluginInfo>(CurrentPluginIndex))
            topic = info->HelpTopic;
    }
    showHelp_(topic, Handle());
}

void TAfterScreenShotWindow::ActionsViewDeletion(int index)
{
    // The row owns its TPluginInfo and the list releases it right after this
    // handler; what is left to do is to forget the row if it was current.
    if (index == CurrentPluginIndex)
        CurrentPluginIndex = -1;
    else if (index < CurrentPluginIndex)
        --CurrentPluginIndex;
}

// ---- Plug-ins ------------------------------------------------------------------------

void TAfterScreenShotWindow::FillPluginList()
{
    ActionsView->Clear();
    const fw::ComPtr<IPixwellObject> catalogue = CreatePluginCatalogue();
    const std::vector<std::string> checked = ReadCheckedPlugins();
    ListInstalledPlugins(*catalogue, checked, [this](TInstalledPlugin&& row) {
        const int index = ActionsView->AddItem(row.Name, row.Description, std::move(row.Info));
        ActionsView->SetChecked(index, row.Checked);
    });
}

int TAfterScreenShotWindow::NextCheckedPlugin(int index) const
{
    for (int i = index < 0 ? 0 : index + 1; i < ActionsView->Count(); ++i)
        if (ActionsView->Checked(i))
            return i;
    return -1;
}

void TAfterScreenShotWindow::ShowPluginOptions(int index)
{
    const auto* info = index >= 0 && index < ActionsView->Count()
                           ? ActionsView->DataAs<TPluginInfo>(index)
                           : nullptr;
    if (!info)
        throw fw::Error(kNoPluginInRowError + std::to_string(index));
    runner_->Host(*info);
}

bool TAfterScreenShotWindow::RunCurrentPlugin()
{
    return runner_->Run(ScreenShot->Picture(), *this);
}

void TAfterScreenShotWindow::PluginContainerEnter()
{
    runner_->Notify(nmGetFocus);
}

void TAfterScreenShotWindow::PluginContainerExit()
{
    runner_->Notify(nmLostFocus);
}

// ---- Settings ------------------------------------------------------------------------

void TAfterScreenShotWindow::LoadSettings()
{
    const TGeneralSettings settings = TSettingsStore().LoadWizardSettings();
    QuickModeFlag = settings.QuickMode;
    HistoryLimit = settings.MaxHistorySteps;
    cbLeaveInClipboard->SetChecked(settings.LeaveInClipboard);
    Editor->History().SetLimit(HistoryLimit);
}

void TAfterScreenShotWindow::StoreClipboardSetting()
{
    TSettingsStore().StoreLeaveInClipboard(cbLeaveInClipboard->Checked());
}

// ---- Image editor ------------------------------------------------------------------------

int TAfterScreenShotWindow::CurrentTool() const
{
    return editing::ToolFor({.move = tbMove->Down(),
                             .paint = tbPaint->Down(),
                             .line = tbLine->Down(),
                             .square = tbSquare->Down(),
                             .text = tbText->Down(),
                             .ellipse = tbEllipse->Down()});
}

void TAfterScreenShotWindow::ScreenShotMouseDown(fw::MouseButton, fw::ShiftState, int x, int y)
{
    Editor->MouseDown(static_cast<editing::TTool>(CurrentTool()), {x, y});
}

void TAfterScreenShotWindow::ScreenShotMouseMove(fw::ShiftState, int x, int y)
{
    // Moves without a drag change nothing; the tool buttons are asked only
    // during one.
    if (!Editor->Dragging)
        return;
    Editor->MouseMove(static_cast<editing::TTool>(CurrentTool()), {x, y});
}

void TAfterScreenShotWindow::ScreenShotMouseUp(fw::MouseButton, fw::ShiftState, int x, int y)
{
    Editor->MouseUp(static_cast<editing::TTool>(CurrentTool()), {x, y});
}

void TAfterScreenShotWindow::ChooseTool(fw::ToolButton& button)
{
    button.SetDown(true);
    ScreenShot->SetCursor(Editor->CursorFor(static_cast<editing::TTool>(CurrentTool())));
}

void TAfterScreenShotWindow::tbMoveClick()
{
    // Only the move tool ends a text: the drawing tools leave its box open.
    if (Editor->TextOpen())
        Editor->CommitText();
    ChooseTool(*tbMove);
}

void TAfterScreenShotWindow::tbPaintClick()
{
    ChooseTool(*tbPaint);
}

void TAfterScreenShotWindow::tbLineClick()
{
    ChooseTool(*tbLine);
}

void TAfterScreenShotWindow::tbSquareClick()
{
    ChooseTool(*tbSquare);
}

void TAfterScreenShotWindow::tbEllipseClick()
{
    ChooseTool(*tbEllipse);
}

void TAfterScreenShotWindow::tbTextClick()
{
    ChooseTool(*tbText);
}

POINT TAfterScreenShotWindow::BesideButton(const fw::ToolButton& button) const
{
    const fw::Bounds b = button.GetBounds();
    return ToolBar->ClientToScreen(POINT{b.left + b.width, b.top});
}

void TAfterScreenShotWindow::tbSettingsClick()
{
    const POINT at = BesideButton(*tbSettings);
    ToolBar->HideHint();
    ImageInfoMenu.Popup(at.x, at.y, Handle());
}

void TAfterScreenShotWindow::tbTextMouseDown(fw::MouseButton, fw::ShiftState, int, int)
{
    TextButtonReleased = false;
    // Each press gets its own half second.
    FontClickTimer->SetEnabled(false);
    FontClickTimer->SetEnabled(true);
}

void TAfterScreenShotWindow::tbTextMouseUp(fw::MouseButton, fw::ShiftState, int, int)
{
    TextButtonReleased = true;
}

void TAfterScreenShotWindow::FontClickTimerTimer()
{
    FontClickTimer->SetEnabled(false);
    if (TextButtonReleased)
        return;
    const POINT at = BesideButton(*tbText);
    ToolBar->HideHint();
    FontClickPopup.Popup(at.x, at.y, Handle());
}

void TAfterScreenShotWindow::FontSettings1Click()
{
    // A box already open keeps the font it was given.
    FontDialog.font = Editor->TextFont();
    if (FontDialog.Execute(Handle()))
        Editor->SetTextFont(FontDialog.font);
}

void TAfterScreenShotWindow::PenColorMouseUp(fw::MouseButton, fw::ShiftState, int, int)
{
    ColorDialog.color = PenColor->BrushColor();
    if (!ColorDialog.Execute(Handle()))
        return;
    PenColor->SetBrushColor(ColorDialog.color);
    Editor->SetPenColor(ColorDialog.color);
}

void TAfterScreenShotWindow::ChangeDepth(img::PixelFormat format)
{
    Editor->ChangePixelFormat(format);
}

void TAfterScreenShotWindow::N1bit1Click()
{
    ChangeDepth(img::PixelFormat::pf1bit);
}

void TAfterScreenShotWindow::N4bit1Click()
{
    ChangeDepth(img::PixelFormat::pf4bit);
}

void TAfterScreenShotWindow::N9bit1Click()
{
    ChangeDepth(img::PixelFormat::pf8bit);
}

void TAfterScreenShotWindow::N15bit1Click()
{
    ChangeDepth(img::PixelFormat::pf15bit);
}

void TAfterScreenShotWindow::N16bit1Click()
{
    ChangeDepth(img::PixelFormat::pf16bit);
}

void TAfterScreenShotWindow::N24bit1Click()
{
    ChangeDepth(img::PixelFormat::pf24bit);
}

void TAfterScreenShotWindow::N32bit1Click()
{
    ChangeDepth(img::PixelFormat::pf32bit);
}

// ---- Undo ------------------------------------------------------------------------------------

void TAfterScreenShotWindow::FormKeyDown(WORD& key, fw::ShiftState shift)
{
    if (key == 'Z' && (shift & fw::ssCtrl))
        Undo();
}

void TAfterScreenShotWindow::Label6Click()
{
    Undo();
}

void TAfterScreenShotWindow::Undo()
{
    Editor->Undo();
}
