// Message boxes and the system's colour and font choosers.
#pragma once
#include <windows.h>
#include "gdi/Graphics.h"
#include <string>

namespace fw {

// Shows a message box owned by the active window and returns the button
// pressed (IDOK, IDCANCEL, IDYES...). An empty caption shows the
// application's title. (windows.h maps the name to MessageBoxA; callers
// write fw::MessageBox all the same.)
int MessageBox(const std::string& text, const std::string& caption, UINT flags = MB_OK);

// The system's colour chooser, preset to `color`.
class ColorDialog {
public:
    Color color = clBlack;
    // Shows the dialog modally over `owner`; true when the user chose OK,
    // and `color` is the colour chosen. Cancel leaves `color` as it was.
    bool Execute(HWND owner);

private:
    // The chooser's sixteen custom colours, kept from one showing to the next.
    COLORREF custom_[16]{};
};

// The system's font chooser (screen fonts, with effects and colour, no size
// limits), preset to `font`.
class FontDialog {
public:
    Font font;
    // Shows the dialog modally over `owner`; true when the user chose OK,
    // and `font` is the font chosen. Cancel leaves `font` as it was.
    bool Execute(HWND owner);
};

} // namespace fw
