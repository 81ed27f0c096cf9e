#include "stowick/FolderListView.h"

#include "base/Errors.h"
#include "ui/ListView.h"

namespace stowick {

namespace {
constexpr char kIndexOutOfRange[] = "List index out of bounds";
constexpr char kInsertFailed[] = "Cannot add a row to the list";
} // namespace

FolderListView::FolderListView(fw::Window& parent, const fw::Bounds& bounds)
{
    CreateParams params;
    params.className = WC_LISTVIEWA;
    // Shared image lists: the system's small-icon list is not ours to destroy.
    params.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                   LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
    params.exStyle = WS_EX_CLIENTEDGE;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void FolderListView::AddColumn(const std::string& caption, int width)
{
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(caption.c_str());
    column.cx = width;
    const auto count = static_cast<int>(
        SendMessageA(reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
    SendMessageA(Handle(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(count < 0 ? 0 : count),
                 reinterpret_cast<LPARAM>(&column));
}

void FolderListView::SetSmallImages(HIMAGELIST images)
{
    SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

HIMAGELIST FolderListView::SmallImages() const
{
    return reinterpret_cast<HIMAGELIST>(SendMessageA(Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
}

int FolderListView::Count() const
{
    return static_cast<int>(SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0));
}

void FolderListView::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw fw::Error(kIndexOutOfRange);
}

int FolderListView::AddItem(const std::string& caption, int icon)
{
    return InsertItem(Count(), caption, icon);
}

int FolderListView::InsertItem(int index, const std::string& caption, int icon)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(caption.c_str());
    item.iImage = icon;
    const auto inserted = static_cast<int>(SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (inserted < 0)
        throw fw::Error(kInsertFailed);
    return inserted;
}

std::string FolderListView::Caption(int index) const
{
    CheckIndex(index);
    return fw::ListViewItemText(Handle(), index);
}

int FolderListView::Icon(int index) const
{
    CheckIndex(index);
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

void FolderListView::DeleteItem(int index)
{
    CheckIndex(index);
    SendMessageA(Handle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void FolderListView::Clear()
{
    SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0);
}

int FolderListView::ItemIndex() const
{
    return fw::ListViewSelectedIndex(Handle());
}

void FolderListView::SetItemIndex(int index)
{
    fw::ListViewSelect(Handle(), index);
}

bool FolderListView::HandleNotify(NMHDR& header, LRESULT& result)
{
    if (header.code != NM_DBLCLK)
        return false;
    if (OnDblClick)
        OnDblClick();
    result = 0;
    return true;
}

} // namespace stowick
