#include "ui/ListView.h"
#include "ui/Application.h"
#include "base/Errors.h"
#include <commctrl.h>

namespace fw {

namespace {
constexpr const char* kIndexOutOfRange = "List index out of bounds";
constexpr const char* kInsertFailed = "Cannot add a row to the list";
} // namespace

ListView::ListView(Window& parent, const Bounds& bounds)
{
    CreateParams params;
    params.className = WC_LISTVIEWA;
    params.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    params.exStyle = WS_EX_CLIENTEDGE;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
}

ListView::~ListView()
{
    Clear();
}

void ListView::AddColumn(const std::string& caption, int width)
{
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(caption.c_str());
    column.cx = width;
    column.iSubItem = columns_;
    if (SendMessageA(Handle(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(columns_), reinterpret_cast<LPARAM>(&column)) >= 0)
        ++columns_;
}

int ListView::ColumnCount() const
{
    return columns_;
}

int ListView::Count() const
{
    return static_cast<int>(data_.size());
}

void ListView::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw Error(kIndexOutOfRange);
}

int ListView::AddItem(const std::string& caption, const std::string& subItem, std::shared_ptr<void> data)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = Count();
    item.pszText = const_cast<char*>(caption.c_str());
    const auto index = static_cast<int>(SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0)
        throw Error(kInsertFailed);
    data_.insert(data_.begin() + index, std::move(data));
    if (!subItem.empty())
        SetItemText(index, 1, subItem);
    return index;
}

std::string ListView::ItemText(int index, int subItem) const
{
    CheckIndex(index);
    return ListViewItemText(Handle(), index, subItem);
}

std::string ListViewItemText(HWND listView, int index, int subItem)
{
    std::string text(260, '\0');
    for (;;) {
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto length = static_cast<std::size_t>(
            SendMessageA(listView, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

void ListView::SetItemText(int index, int subItem, const std::string& text)
{
    CheckIndex(index);
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

std::string ListView::Caption(int index) const
{
    return ItemText(index, 0);
}

void ListView::SetCaption(int index, const std::string& caption)
{
    SetItemText(index, 0, caption);
}

std::string ListView::SubItem(int index) const
{
    return ItemText(index, 1);
}

bool ListView::Checked(int index) const
{
    CheckIndex(index);
    const auto state = static_cast<UINT>(SendMessageA(Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index),
                                                      LVIS_STATEIMAGEMASK));
    return (state >> 12) == 2; // state image 2 is the ticked box
}

void ListView::SetChecked(int index, bool checked)
{
    CheckIndex(index);
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void* ListView::Data(int index) const
{
    CheckIndex(index);
    return data_[static_cast<std::size_t>(index)].get();
}

void ScaleListViewColumns(HWND listView, int m, int d)
{
    const HWND header = reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0));
    const auto count = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < count; ++column) {
        const auto width = static_cast<int>(SendMessageA(listView, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        SendMessageA(listView, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(MulDiv(width, m, d), 0));
    }
}

void ListView::ScaleControl(int m, int d)
{
    ScaleListViewColumns(Handle(), m, d);
}

int ListViewSelectedIndex(HWND listView)
{
    return static_cast<int>(SendMessageA(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListViewSelect(HWND listView, int index)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    const int count = static_cast<int>(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
    if (index >= 0 && index < count) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

int ListView::ItemIndex() const
{
    return ListViewSelectedIndex(Handle());
}

void ListView::SetItemIndex(int index)
{
    ListViewSelect(Handle(), index);
}

void ListView::DeleteItem(int index)
{
    CheckIndex(index);
    // The row's data stays alive until its handler has seen it.
    std::shared_ptr<void> data = data_[static_cast<std::size_t>(index)];
    NotifyDeletion(index, data.get());
    data_.erase(data_.begin() + index);
    if (Handle())
        SendMessageA(Handle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void ListView::Clear()
{
    // From the last row, so the indices the handler sees stay valid.
    while (!data_.empty()) {
        const int index = Count() - 1;
        std::shared_ptr<void> data = std::move(data_.back());
        data_.pop_back();
        if (Handle())
            SendMessageA(Handle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
        NotifyDeletion(index, data.get());
    }
}

void ListView::NotifyDeletion(int index, void* data) noexcept
{
    // Rows also go while the list is destroyed, where nothing may be thrown.
    if (!OnDeletion)
        return;
    try {
        OnDeletion(index, data);
    } catch (...) {
        App().HandleException();
    }
}

LRESULT ListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Destroyed along with its parent: the rows go while everything is alive.
    if (msg == WM_DESTROY)
        Clear();
    return Window::WndProc(msg, wParam, lParam);
}

} // namespace fw
