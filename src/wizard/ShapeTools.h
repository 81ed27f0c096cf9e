// Tools 2, 3 and 5: a line, a hollow rectangle or a hollow ellipse between
// the press point and the pointer, shown as a rubber band while dragging.
// Each move puts back the pixels under the previous preview, keeps those
// under the new one and draws the new one into the picture itself, so a
// move costs two copies of the shape's box and one shape, whatever the
// picture's size. The last preview is the result.
#pragma once
#include "wizard/EditorTool.h"

namespace fw {
class Canvas;
}

class TShapeTool : public TEditorTool {
public:
    fw::Cursor Cursor() const override { return fw::crCross; }
    void MouseDown(TImageEditor& editor, editing::TPoint at) override;
    void MouseMove(TImageEditor& editor, editing::TPoint to) override;
    void MouseUp(TImageEditor& editor, editing::TPoint at) override;

protected:
    // Draws the shape with corners `from` (the press) and `to`.
    virtual void DrawShape(fw::Canvas& canvas, editing::TPoint from, editing::TPoint to) = 0;
};

// From the press point to the pointer, the pointer's own pixel left out.
class TLineTool final : public TShapeTool {
protected:
    void DrawShape(fw::Canvas& canvas, editing::TPoint from, editing::TPoint to) override;
};

// The same rectangle whichever way it was dragged.
class TRectangleTool final : public TShapeTool {
protected:
    void DrawShape(fw::Canvas& canvas, editing::TPoint from, editing::TPoint to) override;
};

// Inscribed in the rectangle the rectangle tool would draw.
class TEllipseTool final : public TShapeTool {
protected:
    void DrawShape(fw::Canvas& canvas, editing::TPoint from, editing::TPoint to) override;
};
