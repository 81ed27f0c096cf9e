#include "wizard/TextTool.h"

#include "wizard/ImageEditor.h"
#include "ui/Controls.h"

namespace {

// Room for the key being typed, which is not yet part of the box's text.
constexpr char kTypingRoom[] = "MM";
// The box sits this far up and left of the text, so that its text starts
// about where the written text will.
constexpr int kBoxOffset = 2;

} // namespace

TTextTool::TTextTool() = default;

TTextTool::~TTextTool()
{
    Discard();
}

void TTextTool::MouseDown(TImageEditor& editor, editing::TPoint at)
{
    editor.StartPoint = at;
}

void TTextTool::MouseUp(TImageEditor& editor, editing::TPoint)
{
    OpenBox(editor);
}

void TTextTool::OpenBox(TImageEditor& editor)
{
    Discard();
    const fw::Image& picture = editor.PictureControl();
    auto box = std::make_unique<fw::Edit>(
        editor.View(), fw::Bounds{picture.Left() + editor.StartPoint.x - kBoxOffset,
                                  picture.Top() + editor.StartPoint.y - kBoxOffset, 0, 0});
    box->SetBorder(false);
    // Its text is the picture's, in picture pixels, whatever the display scale.
    box->SetScaled(false);
    box->SetFont(editor.Picture().Canvas().font);
    // Over the picture, which it shares the view with.
    SetWindowPos(box->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    box->OnKeyDown = [this, &editor](WORD& key, fw::ShiftState) { TextEditKeyDown(editor, key); };
    box->OnExit = [this, &editor] { TextEditExit(editor); };
    box_ = std::move(box);
    open_ = true;
    FitBox(editor);
    box_->SetFocus();
}

void TTextTool::TextEditKeyDown(TImageEditor& editor, WORD& key)
{
    if (key == VK_RETURN) {
        Commit(editor);
        key = 0; // a single-line box would only beep at it
    } else {
        FitBox(editor);
    }
}

void TTextTool::TextEditExit(TImageEditor& editor)
{
    Commit(editor);
}

void TTextTool::FitBox(TImageEditor& editor)
{
    fw::Canvas& canvas = editor.Picture().Canvas();
    const SIZE extent = canvas.TextExtent(box_->Text() + kTypingRoom);
    fw::Bounds bounds = box_->GetBounds();
    bounds.width = extent.cx;
    bounds.height = extent.cy;
    box_->SetBounds(bounds);
}

void TTextTool::Commit(TImageEditor& editor)
{
    // Hiding the box takes its focus away, which asks for a commit again.
    if (!box_ || !open_)
        return;
    open_ = false;
    const std::string text = box_->Text();
    editor.PushUndo();
    editor.ApplyPenColor();
    fw::Canvas& canvas = editor.Picture().Canvas();
    canvas.brush.style = fw::BrushStyle::bsClear;
    canvas.TextOut(editor.StartPoint.x, editor.StartPoint.y, text);
    editor.SettleUndo();
    box_->Hide();
}

void TTextTool::Discard() noexcept
{
    open_ = false;
    if (!box_)
        return;
    // A box that goes while it has the focus must not write its text.
    box_->OnExit = nullptr;
    box_->OnKeyDown = nullptr;
    box_.reset();
}
