// The edit box of a recipient field. OnLeave runs when the keyboard focus
// moves from it to another control of the same form: the focus going out of
// the form altogether (to the host's page, a dialog, another program) is no
// leave, since the host tells the page about that itself and a dialog hands
// the focus back.
#pragma once
#include "ui/Controls.h"

namespace postrel {

class TRecipientEdit : public fw::Edit {
public:
    using fw::Edit::Edit;

    fw::NotifyEvent OnLeave;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

} // namespace postrel
