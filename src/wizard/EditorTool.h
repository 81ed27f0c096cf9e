// One tool of the image editor: what a press over the picture, a move while
// it lasts and the release do. Each tool is a small class behind this
// interface; the editor hands it the press's state and the picture.
#pragma once
#include "editing/EditorRules.h"
#include "ui/Window.h"

class TImageEditor;

class TEditorTool {
public:
    virtual ~TEditorTool() = default;

    // The pointer over the picture while the tool is chosen.
    virtual fw::Cursor Cursor() const = 0;
    // Points are picture pixels (the picture's control is the bitmap's size).
    virtual void MouseDown(TImageEditor& editor, editing::TPoint at) = 0;
    // Only while the editor is dragging.
    virtual void MouseMove(TImageEditor&, editing::TPoint) {}
    // After the editor has stopped dragging.
    virtual void MouseUp(TImageEditor&, editing::TPoint) {}
};
