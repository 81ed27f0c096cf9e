// A stack of pages of which one shows at a time (the wizard's pages).
#pragma once
#include "ui/Controls.h"
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class PageBook : public Window {
public:
    PageBook(Window& parent, const Bounds& bounds, std::initializer_list<std::string> pageNames = {});

    // Appends a page: a borderless panel in the parent's colour that fills
    // the book. The first page added is the current one.
    Panel& AddPage(const std::string& name);
    int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
    Panel& Page(int index) { return *pages_.at(static_cast<std::size_t>(index)); }
    const std::string& PageName(int index) const { return names_.at(static_cast<std::size_t>(index)); }

    int PageIndex() const noexcept { return index_; }
    // Shows another page. Only a different index within 0..PageCount()-1
    // changes anything, and only then OnPageChanged runs.
    void SetPageIndex(int index);

    NotifyEvent OnPageChanged;

protected:
    void Resized() override;

private:
    std::vector<std::unique_ptr<Panel>> pages_;
    std::vector<std::string> names_;
    int index_ = -1;
};

} // namespace fw
