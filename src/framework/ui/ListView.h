// A list view in report style with a check box per row: columns, rows with a
// caption and one sub-item, and an owned data object per row.
#pragma once
#include "ui/Window.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class ListView : public Window {
public:
    ListView(Window& parent, const Bounds& bounds);
    // The rows go first, each through OnDeletion.
    ~ListView() override;

    void AddColumn(const std::string& caption, int width);
    int ColumnCount() const;

    int Count() const;
    // Appends a row; the list keeps `data` until the row is removed.
    int AddItem(const std::string& caption, const std::string& subItem = {}, std::shared_ptr<void> data = {});
    std::string Caption(int index) const;
    void SetCaption(int index, const std::string& caption);
    std::string SubItem(int index) const;
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    // The row's data object (null when it has none).
    void* Data(int index) const;
    template <class T>
    T* DataAs(int index) const
    {
        return static_cast<T*>(Data(index));
    }

    // The selected row, or -1.
    int ItemIndex() const;
    void SetItemIndex(int index);

    void DeleteItem(int index);
    void Clear();

    // Runs for every row that goes (deleted, cleared, or the list destroyed),
    // before its data object is released. An exception from it goes to the
    // default error handler; the row goes anyway.
    std::function<void(int index, void* data)> OnDeletion;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ScaleControl(int m, int d) override;

private:
    std::string ItemText(int index, int subItem) const;
    void SetItemText(int index, int subItem, const std::string& text);
    void CheckIndex(int index) const;
    void NotifyDeletion(int index, void* data) noexcept;

    std::vector<std::shared_ptr<void>> data_;
    int columns_ = 0;
};

// Selection of any list-view control, for views that keep their own items:
// the first selected row (-1 for none), and selecting one row (or none).
int ListViewSelectedIndex(HWND listView);
void ListViewSelect(HWND listView, int index);
// The text of a row (or of its column `subItem`), however long.
std::string ListViewItemText(HWND listView, int index, int subItem = 0);
// Multiplies the widths of a report view's columns by m/d.
void ScaleListViewColumns(HWND listView, int m, int d);

} // namespace fw
