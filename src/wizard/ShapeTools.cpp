#include "wizard/ShapeTools.h"

#include "wizard/ImageEditor.h"

void TShapeTool::MouseDown(TImageEditor& editor, editing::TPoint at)
{
    editor.PushUndo();
    editor.Dragging = true;
    editor.StartPoint = at;
    editor.SaveBackground(at, at);
}

void TShapeTool::MouseMove(TImageEditor& editor, editing::TPoint to)
{
    editor.RestoreBackground();
    editor.SaveBackground(editor.StartPoint, to);
    editor.ApplyPenColor();
    DrawShape(editor.Picture().Canvas(), editor.StartPoint, to);
}

void TShapeTool::MouseUp(TImageEditor& editor, editing::TPoint)
{
    editor.SettleUndo();
}

void TLineTool::DrawShape(fw::Canvas& canvas, editing::TPoint from, editing::TPoint to)
{
    canvas.Line(from.x, from.y, to.x, to.y);
}

void TRectangleTool::DrawShape(fw::Canvas& canvas, editing::TPoint from, editing::TPoint to)
{
    const editing::TRect r = editing::NormalizedRect(from, to);
    canvas.brush.style = fw::BrushStyle::bsClear;
    canvas.Rectangle(r.left, r.top, r.right, r.bottom);
}

void TEllipseTool::DrawShape(fw::Canvas& canvas, editing::TPoint from, editing::TPoint to)
{
    const editing::TRect r = editing::NormalizedRect(from, to);
    canvas.brush.style = fw::BrushStyle::bsClear;
    canvas.Ellipse(r.left, r.top, r.right, r.bottom);
}
