// The rectangle the user drags over the frozen screen, as plain arithmetic:
// which pixels it selects and which part of the surface must be repainted
// to take its frame away again.
#pragma once
#include <algorithm>
#include <array>

struct TSelectionRect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0; // exclusive

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    bool operator==(const TSelectionRect&) const = default;
};

// The selection between the press point and the current point, whichever
// way the user dragged. Right and bottom are exclusive: the pixel under the
// release point is not part of the image, and a click without movement
// selects nothing (0 by 0).
constexpr TSelectionRect NormalizedSelection(int startX, int startY, int endX, int endY) noexcept
{
    return {std::min(startX, endX), std::min(startY, endY), std::max(startX, endX),
            std::max(startY, endY)};
}

// What has to be copied back from the frozen picture to remove the focus
// frame drawn for `selection`: the frame and everything inside it, one pixel
// more on every side, kept inside a surface of `width` by `height` pixels so
// that the copy never reads outside the picture.
constexpr TSelectionRect FrameRepaintRect(const TSelectionRect& selection, int width, int height) noexcept
{
    TSelectionRect r{std::max(selection.left - 1, 0), std::max(selection.top - 1, 0),
                     std::min(selection.right + 1, width), std::min(selection.bottom + 1, height)};
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return r;
}

// The parts of the surface the focus frame of `selection` covers: its four
// one-pixel edges, each grown by one pixel on both sides, inside
// FrameRepaintRect. Repainting these takes the frame away; the inside never
// changed, so a drag costs the frame's perimeter, whatever the selection's
// area. Strips of a small selection may overlap, and may be empty.
constexpr std::array<TSelectionRect, 4> FrameEdgeStrips(const TSelectionRect& selection, int width,
                                                         int height) noexcept
{
    const TSelectionRect r = FrameRepaintRect(selection, width, height);
    const auto within = [&](TSelectionRect s) {
        s.left = std::clamp(s.left, r.left, r.right);
        s.right = std::clamp(s.right, s.left, r.right);
        s.top = std::clamp(s.top, r.top, r.bottom);
        s.bottom = std::clamp(s.bottom, s.top, r.bottom);
        return s;
    };
    return {within({r.left, selection.top - 1, r.right, selection.top + 2}),
            within({r.left, selection.bottom - 2, r.right, selection.bottom + 1}),
            within({selection.left - 1, r.top, selection.left + 2, r.bottom}),
            within({selection.right - 2, r.top, selection.right + 1, r.bottom})};
}

// The part of `selection` that lies on a picture of `width` by `height`
// pixels. The picture control keeps the mouse captured during a drag, so the
// pointer can leave the screen (for another monitor) and report points
// outside it, even negative ones; the cut holds only pixels that were on it.
constexpr TSelectionRect ClampSelection(const TSelectionRect& selection, int width, int height) noexcept
{
    const auto clamp = [](int value, int limit) { return std::clamp(value, 0, std::max(limit, 0)); };
    return {clamp(selection.left, width), clamp(selection.top, height), clamp(selection.right, width),
            clamp(selection.bottom, height)};
}
