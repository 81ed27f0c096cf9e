#include "editing/EditorRules.h"

#include <algorithm>

namespace editing {

namespace {

// Pixels a shape's rubber band keeps beyond its corners.
constexpr int kRubberBandMargin = 2;

} // namespace

TRect ClippedRect(TRect rect, int width, int height) noexcept
{
    TRect clipped{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
                  std::min(rect.bottom, height)};
    if (clipped.Empty())
        return {};
    return clipped;
}

TRect RubberBandRect(TPoint a, TPoint b, int width, int height) noexcept
{
    TRect grown = NormalizedRect(a, b);
    // Mouse coordinates are far from the int limits, but a captured mouse
    // may report points well outside the image; keep the sums in range.
    const auto grow = [](int v, int by) {
        const long long r = static_cast<long long>(v) + by;
        return static_cast<int>(std::clamp<long long>(r, -(1LL << 30), 1LL << 30));
    };
    grown.left = grow(grown.left, -kRubberBandMargin);
    grown.top = grow(grown.top, -kRubberBandMargin);
    grown.right = grow(grown.right, kRubberBandMargin);
    grown.bottom = grow(grown.bottom, kRubberBandMargin);
    return ClippedRect(grown, width, height);
}

} // namespace editing
