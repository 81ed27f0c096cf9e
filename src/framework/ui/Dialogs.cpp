#include "ui/Dialogs.h"
#include "ui/Application.h"

namespace fw {

int MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    const std::string& title = caption.empty() ? App().Title() : caption;
    return ::MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), flags);
}

} // namespace fw
