// Keeps controls at their distances from the edges of their parent's client
// area when it changes size: a control anchored left and right stretches
// with the width, one anchored right only moves with the right edge; the
// same for top and bottom. The parent calls Apply from its Resized. When the
// form is scaled to another display DPI, the designed places scale with it.
#pragma once
#include "ui/Window.h"

#include <vector>

namespace fw {

using Anchors = unsigned;
enum : Anchors {
    akLeft = 1,
    akTop = 2,
    akRight = 4,
    akBottom = 8,
};

class AnchorLayout {
public:
    // Records the control's place against the parent's client size now,
    // which counts as the designed size.
    void Add(Window& control, Anchors anchors);
    // Places every control for the parent's new client size.
    void Apply(int clientWidth, int clientHeight);

private:
    struct Entry {
        Window* control;
        Anchors anchors;
        Bounds designed;
        int parentWidth;
        int parentHeight;
    };
    void FollowScale();

    std::vector<Entry> entries_;
    // The pixels per inch of the form the designed places were taken at.
    int pixelsPerInch_ = 0;
};

} // namespace fw
