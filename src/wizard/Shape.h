// A plain rectangle: a one-pixel frame in the pen colour, filled with the
// brush colour (frames behind views, colour swatches). It is placed behind
// its siblings.
#pragma once
#include "ui/Window.h"

class TShape : public fw::Window {
public:
    TShape(fw::Window& parent, const fw::Bounds& bounds);

    fw::Color PenColor() const noexcept { return pen_; }
    void SetPenColor(fw::Color color);
    fw::Color BrushColor() const noexcept { return brush_; }
    void SetBrushColor(fw::Color color);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& area) override;

private:
    fw::Color pen_ = fw::clBlack;
    fw::Color brush_ = fw::clWhite;
};
