#include "ui/PageBook.h"

namespace fw {

PageBook::PageBook(Window& parent, const Bounds& bounds, std::initializer_list<std::string> pageNames)
{
    CreateParams params;
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    params.exStyle = WS_EX_CONTROLPARENT;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);
    for (const std::string& name : pageNames)
        AddPage(name);
}

Panel& PageBook::AddPage(const std::string& name)
{
    auto page = std::make_unique<Panel>(*this, Bounds{0, 0, ClientWidth(), ClientHeight()});
    page->SetBevelOuter(PanelBevel::pbNone);
    page->UseParentColor();
    page->SetVisible(pages_.empty());
    pages_.push_back(std::move(page));
    names_.push_back(name);
    if (index_ < 0)
        index_ = 0;
    return *pages_.back();
}

void PageBook::SetPageIndex(int index)
{
    if (index == index_ || index < 0 || index >= PageCount())
        return;
    Panel& next = Page(index);
    next.SetBounds({0, 0, ClientWidth(), ClientHeight()});
    next.Show();
    if (index_ >= 0) {
        Panel& previous = Page(index_);
        // The focus must not stay in a page that is going away.
        HWND focus = GetFocus();
        const bool hadFocus = focus && (focus == previous.Handle() || IsChild(previous.Handle(), focus));
        previous.Hide();
        if (hadFocus) {
            HWND root = GetAncestor(Handle(), GA_ROOT);
            HWND first = GetNextDlgTabItem(root, nullptr, FALSE);
            ::SetFocus(first && IsChild(root, first) ? first : root);
        }
    }
    index_ = index;
    if (OnPageChanged)
        OnPageChanged();
}

void PageBook::Resized()
{
    for (auto& page : pages_)
        page->SetBounds({0, 0, ClientWidth(), ClientHeight()});
}

} // namespace fw
