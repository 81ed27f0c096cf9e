#include "ui/Memo.h"

namespace fw {

Memo::Memo(Window& parent, const Bounds& bounds)
{
    CreateParams params;
    params.className = "EDIT";
    params.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_WANTRETURN |
                   ES_AUTOVSCROLL;
    params.exStyle = WS_EX_CLIENTEDGE;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
}

LRESULT Memo::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETDLGCODE) {
        // A multi-line edit asks for every key, Tab included; leaving Tab to
        // the dialog navigation moves the focus on instead of typing it.
        LRESULT code = Window::WndProc(msg, wParam, lParam);
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) && key->wParam == VK_TAB)
            code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        return code;
    }
    return Window::WndProc(msg, wParam, lParam);
}

bool Memo::HandleCommand(WORD code)
{
    if (code != EN_CHANGE)
        return false;
    if (OnChange)
        OnChange();
    return true;
}

} // namespace fw
