// A drop-down list: a combo box whose text is always one of its items.
// OnChange runs when the user picks an item, not when the program sets the
// index.
#pragma once
#include "ui/Window.h"

#include <string>
#include <vector>

namespace fw {

class ComboBox : public Window {
public:
    // `dropDownHeight` is the height of the open list.
    ComboBox(Window& parent, const Bounds& bounds, int dropDownHeight = 120);

    void AddItem(const std::string& text);
    void SetItems(const std::vector<std::string>& items);
    int Count() const;
    std::string Item(int index) const;
    // The chosen item's index, or -1 when none is chosen.
    int ItemIndex() const;
    // -1 (or an index outside the list) chooses none.
    void SetItemIndex(int index);

    NotifyEvent OnChange;

protected:
    bool HandleCommand(WORD code) override;
    // The window's height holds the open list; the closed box takes its
    // height from the font.
    void ScaleBounds(int m, int d) override;

private:
    int dropDownHeight_;
};

} // namespace fw
