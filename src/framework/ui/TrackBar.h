// A horizontal or vertical track bar (slider) with a range, a position and
// tick marks. OnChange runs whenever the position changes, whether the user
// moved the thumb or the program set it; setting the position it already has
// changes nothing and runs nothing.
#pragma once
#include "ui/Window.h"

namespace fw {

enum class TrackBarOrientation { trHorizontal, trVertical };
enum class TickMarks { tmBottomRight, tmTopLeft, tmBoth };

class TrackBar : public Window {
public:
    TrackBar(Window& parent, const Bounds& bounds,
             TrackBarOrientation orientation = TrackBarOrientation::trHorizontal,
             TickMarks tickMarks = TickMarks::tmBottomRight);

    int Min() const;
    int Max() const;
    void SetRange(int min, int max);
    int Position() const;
    // Values outside the range are clamped to it.
    void SetPosition(int position);
    // A tick every `frequency` units (automatic ticks).
    void SetFrequency(int frequency);
    void SetThumbLength(int pixels);

    NotifyEvent OnChange;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A thumb of a fixed length grows with the layout.
    void ScaleControl(int m, int d) override;

private:
    void CheckPosition();

    int position_ = 0;
};

} // namespace fw
