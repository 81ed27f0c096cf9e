#include "ui/Dialogs.h"
#include "ui/Application.h"
#include <commdlg.h>
#include <cstring>

namespace fw {

int MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    const std::string& title = caption.empty() ? App().Title() : caption;
    return ::MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), flags);
}

bool ColorDialog::Execute(HWND owner)
{
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = ColorToRGB(color);
    cc.lpCustColors = custom_;
    cc.Flags = CC_RGBINIT | CC_ANYCOLOR;
    if (!ChooseColorA(&cc))
        return false;
    color = cc.rgbResult;
    return true;
}

bool FontDialog::Execute(HWND owner)
{
    LOGFONTA lf = font.ToLogFont();
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &lf;
    cf.rgbColors = ColorToRGB(font.color);
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontA(&cf))
        return false;
    Font chosen;
    chosen.name = lf.lfFaceName;
    chosen.height = lf.lfHeight;
    chosen.style = (lf.lfWeight >= FW_BOLD ? fsBold : 0u) | (lf.lfItalic ? fsItalic : 0u) |
                   (lf.lfUnderline ? fsUnderline : 0u) | (lf.lfStrikeOut ? fsStrikeOut : 0u);
    chosen.color = cf.rgbColors;
    font = chosen;
    return true;
}

} // namespace fw
