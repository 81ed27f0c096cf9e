#include "postrel/RecipientEdit.h"

#include "ui/Form.h"

namespace postrel {

LRESULT TRecipientEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = fw::Edit::WndProc(msg, wParam, lParam);
    if (msg == WM_KILLFOCUS && OnLeave) {
        const auto gaining = reinterpret_cast<HWND>(wParam);
        fw::Form* form = ParentForm();
        if (form && gaining && gaining != Handle() && IsChild(form->Handle(), gaining))
            OnLeave();
    }
    return result;
}

} // namespace postrel
