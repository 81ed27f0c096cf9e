// Message boxes.
#pragma once
#include <windows.h>
#include <string>

namespace fw {

// Shows a message box owned by the active window and returns the button
// pressed (IDOK, IDCANCEL, IDYES...). An empty caption shows the
// application's title. (windows.h maps the name to MessageBoxA; callers
// write fw::MessageBox all the same.)
int MessageBox(const std::string& text, const std::string& caption, UINT flags = MB_OK);

} // namespace fw
