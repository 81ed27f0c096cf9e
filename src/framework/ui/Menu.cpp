#include "ui/Menu.h"
#include "base/Errors.h"
#include <utility>

namespace fw {

namespace {

constexpr const char* kCreateMenuFailed = "Cannot create menu";

// Owner of a menu handle; destroying the top menu takes its submenus along.
class MenuHandle {
public:
    MenuHandle() : menu_(CreatePopupMenu())
    {
        if (!menu_)
            RaiseLastOSError(kCreateMenuFailed);
    }
    ~MenuHandle()
    {
        if (menu_)
            DestroyMenu(menu_);
    }
    MenuHandle(const MenuHandle&) = delete;
    MenuHandle& operator=(const MenuHandle&) = delete;
    HMENU Get() const noexcept { return menu_; }
    HMENU Release() noexcept { return std::exchange(menu_, nullptr); }

private:
    HMENU menu_;
};

// Fills `menu` with the children of `item`; command identifiers are the
// items' positions in `commands` plus one.
void Build(HMENU menu, const MenuItem& item, std::vector<const MenuItem*>& commands)
{
    for (const auto& child : item.Items()) {
        if (child->IsSeparator()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (child->enabled ? MF_ENABLED : MF_GRAYED) | (child->checked ? MF_CHECKED : 0);
        if (!child->Items().empty()) {
            MenuHandle submenu;
            Build(submenu.Get(), *child, commands);
            if (!AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.Get()),
                             child->caption.c_str()))
                RaiseLastOSError(kCreateMenuFailed);
            submenu.Release(); // now part of `menu`
            if (child->isDefault)
                SetMenuDefaultItem(menu, static_cast<UINT>(GetMenuItemCount(menu) - 1), TRUE);
            continue;
        }
        commands.push_back(child.get());
        const auto id = static_cast<UINT_PTR>(commands.size());
        if (!AppendMenuA(menu, flags, id, child->caption.c_str()))
            RaiseLastOSError(kCreateMenuFailed);
        if (child->isDefault)
            SetMenuDefaultItem(menu, static_cast<UINT>(id), FALSE);
    }
}

} // namespace

MenuItem::MenuItem(std::string caption_, NotifyEvent onClick) : caption(std::move(caption_)), OnClick(std::move(onClick))
{
}

MenuItem& MenuItem::Add(std::string caption_, NotifyEvent onClick)
{
    items_.push_back(std::make_unique<MenuItem>(std::move(caption_), std::move(onClick)));
    return *items_.back();
}

PopupMenu::PopupMenu() = default;

void PopupMenu::Popup(int screenX, int screenY, HWND owner)
{
    if (!owner)
        owner = window_.Handle();
    MenuHandle menu;
    std::vector<const MenuItem*> commands;
    Build(menu.Get(), root_, commands);

    SetForegroundWindow(owner);
    const auto chosen = static_cast<UINT>(TrackPopupMenuEx(
        menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, screenX,
        screenY, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);

    if (chosen == 0 || chosen > commands.size())
        return;
    const MenuItem* item = commands[chosen - 1];
    if (!item->OnClick)
        return;
    try {
        item->OnClick();
    } catch (...) {
        App().HandleException();
    }
}

} // namespace fw
