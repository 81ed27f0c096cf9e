#include "ui/ComboBox.h"

#include "base/Errors.h"

namespace fw {

namespace {
constexpr const char* kIndexOutOfRange = "List index out of bounds";
} // namespace

ComboBox::ComboBox(Window& parent, const Bounds& bounds, int dropDownHeight) : dropDownHeight_(dropDownHeight)
{
    CreateParams params;
    params.className = "COMBOBOX";
    params.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    params.parent = &parent;
    // A combo box's window height includes its open list.
    params.bounds = {bounds.left, bounds.top, bounds.width, bounds.height + dropDownHeight};
    CreateHandle(params);
}

void ComboBox::ScaleBounds(int m, int d)
{
    dropDownHeight_ = MulDiv(dropDownHeight_, m, d);
    Bounds b = ScaledBounds(GetBounds(), m, d);
    b.height += dropDownHeight_;
    SetBounds(b);
}

void ComboBox::AddItem(const std::string& text)
{
    SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ComboBox::SetItems(const std::vector<std::string>& items)
{
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        AddItem(item);
}

int ComboBox::Count() const
{
    return static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0));
}

std::string ComboBox::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw Error(kIndexOutOfRange);
    const auto length = SendMessageA(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::string text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, '\0');
    const auto got = SendMessageA(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return text;
}

int ComboBox::ItemIndex() const
{
    return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
}

void ComboBox::SetItemIndex(int index)
{
    SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index >= 0 && index < Count() ? index : -1), 0);
}

bool ComboBox::HandleCommand(WORD code)
{
    if (code != CBN_SELCHANGE)
        return false;
    if (OnChange)
        OnChange();
    return true;
}

} // namespace fw
