// Tool 4: one line of text. The release opens a flat edit box where the
// picture was clicked; Enter, or the box losing the focus, writes its text
// into the picture in the pen colour on a clear background and hides the
// box. A new text discards a box still open without writing it.
#pragma once
#include "wizard/EditorTool.h"

#include <memory>

namespace fw {
class Edit;
}

class TTextTool final : public TEditorTool {
public:
    TTextTool();
    ~TTextTool() override;

    fw::Cursor Cursor() const override { return fw::crIBeam; }
    // Only remembers where the text goes.
    void MouseDown(TImageEditor& editor, editing::TPoint at) override;
    // Opens the box there.
    void MouseUp(TImageEditor& editor, editing::TPoint at) override;

    // Writes the open box's text and hides the box; nothing when no box is
    // open (none yet, or already written).
    void Commit(TImageEditor& editor);
    // Removes the box without writing it.
    void Discard() noexcept;
    // The box of the last text, open or already written; null for none.
    fw::Edit* Box() const noexcept { return box_.get(); }
    bool Open() const noexcept { return open_; }

private:
    void OpenBox(TImageEditor& editor);
    // Enter writes the text; any other key first makes room for itself.
    void TextEditKeyDown(TImageEditor& editor, WORD& key);
    void TextEditExit(TImageEditor& editor);
    void FitBox(TImageEditor& editor);

    std::unique_ptr<fw::Edit> box_;
    bool open_ = false;
};
