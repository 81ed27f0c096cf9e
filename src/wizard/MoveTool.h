// Tool 0: drags the picture around inside its view, never past its edges.
#pragma once
#include "wizard/EditorTool.h"

class TMoveTool final : public TEditorTool {
public:
    fw::Cursor Cursor() const override { return fw::crHandPoint; }
    void MouseDown(TImageEditor& editor, editing::TPoint at) override;
    // The point grabbed stays under the pointer: the picture moves by the
    // pointer's distance from it, axis by axis, where the pan rule allows.
    void MouseMove(TImageEditor& editor, editing::TPoint to) override;
};
