#include "ui/Anchors.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"

namespace fw {

namespace {

// One axis: the start and the length for a parent grown by `delta`.
void Place(bool nearEdge, bool farEdge, int delta, int& start, int& length)
{
    if (nearEdge && farEdge)
        length += delta;
    else if (farEdge)
        start += delta;
    else if (!nearEdge)
        start += delta / 2; // anchored to neither edge: stays centred
}

// A combo box's window reaches down over its open list, while its rectangle
// shows the closed box only: placing it by that rectangle would shrink the
// list. The open height is the one to keep.
int OpenListExtra(HWND hwnd, int closedHeight)
{
    char className[16] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (lstrcmpiA(className, "ComboBox") != 0)
        return 0;
    RECT dropped{};
    SendMessageA(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    const int open = dropped.bottom - dropped.top;
    return open > closedHeight ? open - closedHeight : 0;
}

} // namespace

void AnchorLayout::Add(Window& control, Anchors anchors)
{
    FollowScale();
    if (entries_.empty())
        pixelsPerInch_ = LayoutDpi(control);
    const Window* parent = control.Parent();
    entries_.push_back({&control, anchors, control.GetBounds(), parent ? parent->ClientWidth() : 0,
                        parent ? parent->ClientHeight() : 0});
}

void AnchorLayout::Apply(int clientWidth, int clientHeight)
{
    FollowScale();
    for (const Entry& e : entries_) {
        Bounds b = e.designed;
        Place(e.anchors & akLeft, e.anchors & akRight, clientWidth - e.parentWidth, b.left, b.width);
        Place(e.anchors & akTop, e.anchors & akBottom, clientHeight - e.parentHeight, b.top, b.height);
        // A label that takes its text's size keeps the size it measured (its
        // font may have grown more than the layout); anchored to the far
        // edge alone, it keeps that edge. One anchored to both stretches.
        const bool stretches = (e.anchors & akLeft) && (e.anchors & akRight);
        if (const auto* label = dynamic_cast<const Label*>(e.control); label && label->AutoSize() && !stretches) {
            const Bounds now = label->GetBounds();
            if ((e.anchors & akRight) && !(e.anchors & akLeft))
                b.left += b.width - now.width;
            if ((e.anchors & akBottom) && !(e.anchors & akTop))
                b.top += b.height - now.height;
            b.width = now.width;
            b.height = now.height;
        }
        if (b == e.control->GetBounds())
            continue;
        b.height += OpenListExtra(e.control->Handle(), b.height);
        e.control->SetBounds(b);
    }
}

void AnchorLayout::FollowScale()
{
    if (entries_.empty())
        return;
    const int dpi = LayoutDpi(*entries_.front().control);
    if (dpi == pixelsPerInch_)
        return;
    for (Entry& e : entries_) {
        e.designed = ScaledBounds(e.designed, dpi, pixelsPerInch_);
        e.parentWidth = MulDiv(e.parentWidth, dpi, pixelsPerInch_);
        e.parentHeight = MulDiv(e.parentHeight, dpi, pixelsPerInch_);
    }
    pixelsPerInch_ = dpi;
}

} // namespace fw
