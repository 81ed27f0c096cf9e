// Tool 1: free-hand strokes in the pen colour, one segment per mouse move.
#pragma once
#include "wizard/EditorTool.h"

class TFreeHandTool final : public TEditorTool {
public:
    fw::Cursor Cursor() const override { return fw::crCross; }
    // The pressed pixel takes the pen colour at once.
    void MouseDown(TImageEditor& editor, editing::TPoint at) override;
    // A segment from the new point back to the previous one, whose own pixel
    // the previous segment (or the press) has already set.
    void MouseMove(TImageEditor& editor, editing::TPoint to) override;
    void MouseUp(TImageEditor& editor, editing::TPoint at) override;
};
