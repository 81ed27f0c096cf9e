// The rules of the wizard's page flow that need no window: which page is
// which, the navigation buttons each page enables, and where a picture
// smaller than its view is placed.
#pragma once

namespace wizard {

// Pages of the wizard's page book, by index.
enum TWizardPage : int {
    wpPreview = 0,
    wpChoosePlugins = 1,
    wpExecutePlugins = 2,
    wpReport = 3,
};

struct TPageButtons {
    bool back;
    bool next;
};

// Back is offered only where there is a page to return to that the user may
// still change (the report page can't be left); Next everywhere but the end.
constexpr TPageButtons ButtonsForPage(int page) noexcept
{
    switch (page) {
    case wpPreview: return {false, true};
    case wpChoosePlugins: return {true, true};
    case wpExecutePlugins: return {true, true};
    default: return {false, false};
    }
}

// Position along one axis of a picture inside its view: centred (halves
// rounded toward zero) when the view is larger, else the current position,
// so that a picture the user has panned stays where it was.
constexpr int CentredPosition(int viewExtent, int pictureExtent, int current) noexcept
{
    return viewExtent > pictureExtent ? viewExtent / 2 - pictureExtent / 2 : current;
}

} // namespace wizard
