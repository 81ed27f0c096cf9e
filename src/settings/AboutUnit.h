// The about box: the product's banner, the program's file version as its
// version resource stores it, and a link to the maker's plug-ins page. The
// tray menu's "About..." makes one, shows it modally and destroys it:
//     AboutWindow = fw::CreateForm<TAboutWindow>();
//     AboutWindow->ShowModal();
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ImageControl.h"

inline constexpr char kAboutWindowCaption[] = "About Vistrel";
inline constexpr char kVersionLabelCaption[] = "Version:";
inline constexpr char kVersionPlaceholder[] = "...";
inline constexpr char kMorePluginsCaption[] = "Download more plugins:";
inline constexpr char kAboutCloseCaption[] = "Close";

// Opens a web page for a window; the about box's link calls it.
using TWebPageOpener = std::function<void(HWND owner, const std::string& address)>;

class TAboutWindow : public fw::Form {
public:
    // No owner: a window of its own. `versionFile` is the file whose
    // version is shown (the program's own when empty); `openWebPage`
    // defaults to the system's handler of web addresses.
    explicit TAboutWindow(std::string versionFile = {}, TWebPageOpener openWebPage = {});
    ~TAboutWindow() override;

    std::unique_ptr<fw::Image> Image;      // the banner, 360 x 90
    std::unique_ptr<fw::Bevel> Bevel1;
    std::unique_ptr<fw::Label> Label1;     // "Version:"
    std::unique_ptr<fw::Label> lbVersion;  // the file version
    std::unique_ptr<fw::Label> Label2;     // "Download more plugins:"
    std::unique_ptr<fw::LinkLabel> Label3; // the maker's web site
    std::unique_ptr<fw::Button> btnClose;

    // Fills in the version of the program's file.
    void FormCreate();
    void btnCloseClick();
    // Opens the maker's plug-ins page.
    void Label3Click();

private:
    std::string versionFile_;
    TWebPageOpener openWebPage_;
};
