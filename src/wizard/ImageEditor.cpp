#include "wizard/ImageEditor.h"

#include "wizard/FreeHandTool.h"
#include "wizard/MoveTool.h"
#include "wizard/ShapeTools.h"
#include "wizard/TextTool.h"

TImageEditor::TImageEditor(fw::ScrollBox& view, fw::Image& picture) : view_(view), picture_(picture)
{
    // Indexed by tool number.
    tools_[editing::ttMove] = std::make_unique<TMoveTool>();
    tools_[editing::ttPaint] = std::make_unique<TFreeHandTool>();
    tools_[editing::ttLine] = std::make_unique<TLineTool>();
    tools_[editing::ttSquare] = std::make_unique<TRectangleTool>();
    auto text = std::make_unique<TTextTool>();
    text_ = text.get();
    tools_[editing::ttText] = std::move(text);
    tools_[editing::ttEllipse] = std::make_unique<TEllipseTool>();
    Picture().Canvas().font = kDefaultTextFont;
}

TImageEditor::~TImageEditor()
{
    ClearState();
}

TEditorTool* TImageEditor::ToolFor(editing::TTool tool) const
{
    if (tool < 0 || static_cast<std::size_t>(tool) >= tools_.size())
        return nullptr;
    return tools_[static_cast<std::size_t>(tool)].get();
}

fw::Cursor TImageEditor::CursorFor(editing::TTool tool) const
{
    const TEditorTool* t = ToolFor(tool);
    return t ? t->Cursor() : fw::crArrow;
}

void TImageEditor::MouseDown(editing::TTool tool, editing::TPoint at)
{
    dragTool_ = tool;
    if (TEditorTool* t = ToolFor(tool))
        t->MouseDown(*this, at);
}

void TImageEditor::MouseMove(editing::TTool tool, editing::TPoint to)
{
    // A drag whose button went up unseen (the mouse taken away) must not be
    // carried on by another tool: what it drew would be in no undo step.
    if (!Dragging || tool != dragTool_)
        return;
    if (TEditorTool* t = ToolFor(tool))
        t->MouseMove(*this, to);
}

void TImageEditor::MouseUp(editing::TTool tool, editing::TPoint at)
{
    Dragging = false;
    if (TEditorTool* t = ToolFor(tool))
        t->MouseUp(*this, at);
    // Only a drag restores the background; what is kept could only go stale.
    rubberBand_.Release();
}

void TImageEditor::ApplyPenColor()
{
    fw::Canvas& canvas = Picture().Canvas();
    canvas.pen.color = penColor_;
    canvas.font.color = penColor_;
}

const fw::Font& TImageEditor::TextFont()
{
    return Picture().Canvas().font;
}

void TImageEditor::SetTextFont(const fw::Font& font)
{
    Picture().Canvas().font = font;
}

void TImageEditor::SaveBackground(editing::TPoint a, editing::TPoint b)
{
    rubberBand_.Save(Picture(), a, b);
}

void TImageEditor::RestoreBackground()
{
    rubberBand_.Restore(Picture());
}

void TImageEditor::CommitText()
{
    // The text is a step of its own; a drag still under way ends here, so
    // that nothing it would draw afterwards falls outside every step.
    EndDrag();
    text_->Commit(*this);
}

void TImageEditor::EndDrag() noexcept
{
    Dragging = false;
    rubberBand_.Release();
}

fw::Edit* TImageEditor::TextEdit() const noexcept
{
    return text_->Box();
}

bool TImageEditor::TextOpen() const noexcept
{
    return text_->Open();
}

void TImageEditor::ChangePixelFormat(img::PixelFormat format)
{
    EndDrag();
    PushUndo(editing::THistoryKeep::hkWhole);
    Picture().SetPixelFormat(format);
}

void TImageEditor::PushUndo(editing::THistoryKeep keep)
{
    history_.Push(Picture(), keep);
}

void TImageEditor::SettleUndo()
{
    history_.Settle(Picture());
}

void TImageEditor::Undo()
{
    EndDrag();
    history_.Undo(Picture());
}

void TImageEditor::ClearState() noexcept
{
    EndDrag();
    text_->Discard();
}
