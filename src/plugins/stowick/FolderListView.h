// The recent-folders list of the options page: a report-style list view with
// one caption and one small icon per row, drawn from an image list that the
// list only borrows (the system's small-icon list must outlive it).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/ListView.h"
#include "ui/Window.h"

namespace stowick {

// A row without an icon.
inline constexpr int kNoIcon = -1;

class FolderListView : public fw::Window {
public:
    FolderListView(fw::Window& parent, const fw::Bounds& bounds);

    void AddColumn(const std::string& caption, int width);
    // Borrowed: the list never destroys it.
    void SetSmallImages(HIMAGELIST images);
    HIMAGELIST SmallImages() const;

    int Count() const;
    int AddItem(const std::string& caption, int icon);
    int InsertItem(int index, const std::string& caption, int icon);
    std::string Caption(int index) const;
    int Icon(int index) const;
    void DeleteItem(int index);
    void Clear();

    // The selected row, or -1.
    int ItemIndex() const;
    void SetItemIndex(int index);

    fw::NotifyEvent OnDblClick;

protected:
    void ScaleControl(int m, int d) override { fw::ScaleListViewColumns(Handle(), m, d); }
    bool HandleNotify(NMHDR& header, LRESULT& result) override;

private:
    void CheckIndex(int index) const;
};

} // namespace stowick
