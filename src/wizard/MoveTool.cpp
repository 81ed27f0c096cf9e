#include "wizard/MoveTool.h"

#include "wizard/ImageEditor.h"

void TMoveTool::MouseDown(TImageEditor& editor, editing::TPoint at)
{
    editor.Dragging = true;
    editor.StartPoint = at;
}

void TMoveTool::MouseMove(TImageEditor& editor, editing::TPoint to)
{
    fw::Image& picture = editor.PictureControl();
    const fw::Window& view = editor.View();
    fw::Bounds bounds = picture.GetBounds();
    bounds.left = editing::PannedPosition(bounds.left, to.x - editor.StartPoint.x, bounds.width, view.ClientWidth());
    bounds.top = editing::PannedPosition(bounds.top, to.y - editor.StartPoint.y, bounds.height, view.ClientHeight());
    if (bounds != picture.GetBounds())
        picture.SetBounds(bounds);
}
