#include "wizard/FreeHandTool.h"

#include "wizard/ImageEditor.h"

void TFreeHandTool::MouseDown(TImageEditor& editor, editing::TPoint at)
{
    editor.PushUndo();
    editor.Dragging = true;
    editor.ApplyPenColor();
    editor.Picture().Canvas().SetPixel(at.x, at.y, editor.PenColor());
    editor.StartPoint = at;
}

void TFreeHandTool::MouseMove(TImageEditor& editor, editing::TPoint to)
{
    editor.ApplyPenColor();
    editor.Picture().Canvas().Line(to.x, to.y, editor.StartPoint.x, editor.StartPoint.y);
    editor.StartPoint = to;
}

void TFreeHandTool::MouseUp(TImageEditor& editor, editing::TPoint)
{
    editor.SettleUndo();
}
