// A multi-line edit box with a vertical scroll bar. Enter starts a new line
// (a default button never sees it); Tab moves the focus on, as it does from
// the other boxes of a form. Lines in the text end with "\r\n".
#pragma once
#include "ui/Window.h"

namespace fw {

class Memo : public Window {
public:
    Memo(Window& parent, const Bounds& bounds);

    NotifyEvent OnChange;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool HandleCommand(WORD code) override;
};

} // namespace fw
