// Pop-up menus built from a tree of items (the notification icon's menu, the
// editor's font menu).
#pragma once
#include "ui/Application.h"
#include <memory>
#include <string>
#include <vector>

namespace fw {

class MenuItem {
public:
    explicit MenuItem(std::string caption = {}, NotifyEvent onClick = {});

    // "-" makes a separator.
    std::string caption;
    bool enabled = true;
    bool checked = false;
    // The default item is drawn bold.
    bool isDefault = false;
    NotifyEvent OnClick;

    // Appends a child item; an item with children opens a submenu.
    MenuItem& Add(std::string caption, NotifyEvent onClick = {});
    const std::vector<std::unique_ptr<MenuItem>>& Items() const noexcept { return items_; }
    bool IsSeparator() const noexcept { return caption == "-"; }

private:
    std::vector<std::unique_ptr<MenuItem>> items_;
};

class PopupMenu {
public:
    PopupMenu();

    MenuItem& Items() noexcept { return root_; }
    MenuItem& Add(std::string caption, NotifyEvent onClick = {}) { return root_.Add(std::move(caption), std::move(onClick)); }

    // Shows the menu at a point of the screen, waits for the user and runs
    // the chosen item's OnClick (an exception from it goes to the default
    // error handler). `owner` is the window the menu belongs to, by default a
    // hidden window of the menu's own. The owner is brought to the
    // foreground first and sent a null message afterwards, which a menu
    // opened from a notification icon needs to close when the user clicks
    // elsewhere.
    void Popup(int screenX, int screenY, HWND owner = nullptr);

private:
    MenuItem root_;
    MessageWindow window_;
};

} // namespace fw
