// The editor's rules that need no window: the tool the tool bar's buttons
// select, how far the move tool may pan the picture, and the rectangles the
// shape tools draw in and save the background of.
#pragma once

namespace editing {

// Tool numbers, as the tool bar's buttons select them.
enum TTool : int {
    ttNone = -1,
    ttMove = 0,
    ttPaint = 1,
    ttLine = 2,
    ttSquare = 3,
    ttText = 4,
    ttEllipse = 5,
};

// Which of the six tool buttons are down.
struct TToolButtons {
    bool move = false;
    bool paint = false;
    bool line = false;
    bool square = false;
    bool text = false;
    bool ellipse = false;
};

// The tool of the first button down, tested in the order move, free hand,
// line, square, text, ellipse; ttNone when none is.
constexpr TTool ToolFor(const TToolButtons& down) noexcept
{
    if (down.move) return ttMove;
    if (down.paint) return ttPaint;
    if (down.line) return ttLine;
    if (down.square) return ttSquare;
    if (down.text) return ttText;
    if (down.ellipse) return ttEllipse;
    return ttNone;
}

// The picture's position along one axis after the pointer moved `delta`
// pixels: taken only while the picture still covers the view from its
// near edge to its far one, else the position stays. An overshooting move is
// refused rather than clamped, so an axis on which the picture is no larger
// than the view never moves.
constexpr int PannedPosition(int position, int delta, int pictureExtent, int viewExtent) noexcept
{
    const long long moved = static_cast<long long>(position) + delta;
    return moved <= 0 && moved + pictureExtent >= viewExtent ? static_cast<int>(moved) : position;
}

struct TPoint {
    int x = 0;
    int y = 0;
    bool operator==(const TPoint&) const = default;
};

// A rectangle of pixels; right and bottom are outside it.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const noexcept { return right - left; }
    constexpr int Height() const noexcept { return bottom - top; }
    constexpr bool Empty() const noexcept { return right <= left || bottom <= top; }
    bool operator==(const TRect&) const = default;
};

// The rectangle with corners `a` and `b`, whichever way it was dragged.
constexpr TRect NormalizedRect(TPoint a, TPoint b) noexcept
{
    return {a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.x < b.x ? b.x : a.x, a.y < b.y ? b.y : a.y};
}

// `rect` cut to the part inside a width x height image (empty when none).
TRect ClippedRect(TRect rect, int width, int height) noexcept;

// The pixels a rubber band keeps for a shape with corners `a` and `b`: their
// rectangle grown by 2 on every side (a one-pixel pen never reaches past
// it), cut to the image.
TRect RubberBandRect(TPoint a, TPoint b, int width, int height) noexcept;

} // namespace editing
