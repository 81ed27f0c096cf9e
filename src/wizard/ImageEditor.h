// The preview page's image editor: the picture shown by an image control
// inside its view, the tools that draw on it, the pen colour, the rubber
// band of the shape tools, the text box and the undo history. The wizard
// window only turns its controls' events into calls here.
#pragma once
#include "editing/EditorRules.h"
#include "editing/ImageHistory.h"
#include "gdi/DibBitmap.h"
#include "ui/ImageControl.h"
#include "ui/ScrollBox.h"
#include "wizard/EditorTool.h"
#include "wizard/RubberBand.h"
#include "wizard/UndoHistory.h"

#include <array>
#include <cstdint>
#include <memory>

namespace fw {
class Edit;
}
class TTextTool;

// Texts start in this font on every new wizard: a clear face that Windows
// and Wine both have, 16 pixels high (12 points on a 96-dpi screen).
inline const fw::Font kDefaultTextFont{"Tahoma", -16, 0, fw::clRed};
// The pen colour of every new wizard.
inline constexpr fw::Color kDefaultPenColor = fw::clRed;

class TImageEditor {
public:
    // Edits the picture of `picture`, a control inside `view`; both outlive
    // the editor.
    TImageEditor(fw::ScrollBox& view, fw::Image& picture);
    ~TImageEditor();
    TImageEditor(const TImageEditor&) = delete;
    TImageEditor& operator=(const TImageEditor&) = delete;

    fw::DibBitmap& Picture() noexcept { return picture_.Picture(); }
    fw::Image& PictureControl() noexcept { return picture_; }
    fw::ScrollBox& View() noexcept { return view_; }

    // ---- Tools ---------------------------------------------------------------------
    // The pointer over the picture for a tool (the arrow for none).
    fw::Cursor CursorFor(editing::TTool tool) const;
    // The mouse over the picture, in picture pixels, with the tool chosen
    // now; every mouse button draws alike.
    void MouseDown(editing::TTool tool, editing::TPoint at);
    void MouseMove(editing::TTool tool, editing::TPoint to);
    void MouseUp(editing::TTool tool, editing::TPoint at);

    // Drag origin, previous stroke point or text origin.
    editing::TPoint StartPoint;
    // From a press to its release, for the tools that drag.
    bool Dragging = false;

    // ---- Pen and font --------------------------------------------------------------
    fw::Color PenColor() const noexcept { return penColor_; }
    void SetPenColor(fw::Color color) noexcept { penColor_ = color; }
    // The picture's pen and text colour become the pen colour.
    void ApplyPenColor();
    // The font of texts (its colour is the pen's at the next ApplyPenColor).
    const fw::Font& TextFont();
    void SetTextFont(const fw::Font& font);

    // ---- Rubber band ---------------------------------------------------------------
    void SaveBackground(editing::TPoint a, editing::TPoint b);
    void RestoreBackground();

    // ---- Text -------------------------------------------------------------------------
    // Writes the open text box into the picture; nothing when none is open.
    void CommitText();
    // The box of the last text (open, or written and hidden); null for none.
    fw::Edit* TextEdit() const noexcept;
    bool TextOpen() const noexcept;

    // ---- Colour depth --------------------------------------------------------------
    // Records the picture, then converts it to `format` (recorded also when
    // it has that format already).
    void ChangePixelFormat(img::PixelFormat format);

    // ---- Undo --------------------------------------------------------------------------
    // Records the picture before a drawing; a colour-depth change keeps the
    // whole picture.
    void PushUndo(editing::THistoryKeep keep = editing::THistoryKeep::hkTouched);
    // The drawing recorded last is complete.
    void SettleUndo();
    // Puts the picture back as it was before the newest recorded change; a
    // drag in progress ends, so that it can't go on drawing unrecorded.
    void Undo();
    TUndoHistory& History() noexcept { return history_; }

    // No drag, no saved background, no text box.
    void ClearState() noexcept;

private:
    TEditorTool* ToolFor(editing::TTool tool) const;
    // Ends a drag under way, with its rubber band.
    void EndDrag() noexcept;

    fw::ScrollBox& view_;
    fw::Image& picture_;
    fw::Color penColor_ = kDefaultPenColor;
    TRubberBand rubberBand_;
    TUndoHistory history_;
    std::array<std::unique_ptr<TEditorTool>, 6> tools_;
    TTextTool* text_ = nullptr;
    // The tool whose press started the drag under way.
    editing::TTool dragTool_{};
};
