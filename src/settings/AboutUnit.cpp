#include "settings/AboutUnit.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "com/ComServer.h"
#include "common/PixwellInc.h"
#include "common/ProgramResources.h"
#include "gdi/ResourceBitmap.h"
#include "settings/VerInfo.h"

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 178;
constexpr int kBannerHeight = 90;

// Blank between a text and the one that continues it on the same line. A
// continuing text starts at its designed place, or a blank after the first
// text where that runs up to it (the designed places leave a single pixel)
// or where the system's substitute for the dialog font runs wider.
constexpr int kWordGap = 3;


void OpenWithShell(HWND owner, const std::string& address)
{
    // A page that can't be opened is not reported.
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOW);
}

} // namespace

TAboutWindow::TAboutWindow(std::string versionFile, TWebPageOpener openWebPage)
    : versionFile_(std::move(versionFile)), openWebPage_(std::move(openWebPage))
{
    if (!openWebPage_)
        openWebPage_ = &OpenWithShell;

    SetCaption(kAboutWindowCaption);
    SetBorderStyle(fw::BorderStyle::bsDialog);
    SetFont(fw::Font{"MS Sans Serif", -11, 0, fw::clWindowText});
    SetColor(fw::clBtnFace);
    SetClientSize(kClientWidth, kClientHeight);
    SetPosition(fw::Position::poDesktopCenter);

    Image = std::make_unique<fw::Image>(*this, fw::Bounds{0, 0, kClientWidth, kBannerHeight});
    Image->SetAutoSize(true);
    Image->SetPicture(fw::LoadResourceBitmap(nullptr, IDB_ABOUT_BANNER));
    Image->SetAlign(fw::Align::alTop);
    Bevel1 = std::make_unique<fw::Bevel>(*this, fw::Bounds{0, kBannerHeight, kClientWidth, 2},
                                         fw::BevelShape::bsTopLine);
    Bevel1->SetAlign(fw::Align::alTop);

    Label1 = std::make_unique<fw::Label>(*this, 7, 99, kVersionLabelCaption);
    lbVersion = std::make_unique<fw::Label>(*this, 46, 99, kVersionPlaceholder);
    lbVersion->Follow(*Label1, kWordGap, 46);
    Label2 = std::make_unique<fw::Label>(*this, 7, 122, kMorePluginsCaption);
    Label3 = std::make_unique<fw::LinkLabel>(*this, 123, 122, pixwell::kProductWebHost);
    Label3->Follow(*Label2, kWordGap, 123);
    Label3->OnClick = [this] { Label3Click(); };

    btnClose = std::make_unique<fw::Button>(*this, fw::Bounds{147, 145, 75, 25}, kAboutCloseCaption);
    btnClose->SetModalResult(fw::mrOk);
    btnClose->SetDefault(true);
    btnClose->SetCancel(true);
    btnClose->OnClick = [this] { btnCloseClick(); };

    OnCreate = [this] { FormCreate(); };
}

TAboutWindow::~TAboutWindow()
{
    DoDestroy();
}

void TAboutWindow::FormCreate()
{
    const TVersionInfo info(versionFile_.empty() ? fw::ModuleFileName() : versionFile_);
    lbVersion->SetCaption(info.GetFileVersion());
}

void TAboutWindow::btnCloseClick()
{
    // Shown modally, the button's result OK has already ended the show.
    if (!Modal())
        Close();
}

void TAboutWindow::Label3Click()
{
    openWebPage_(Handle(), pixwell::kProductWebAddress);
}
