#include "wizard/UndoHistory.h"

#include "wizard/RubberBand.h"

namespace {

// The picture as the place an undo step goes back into.
class TPictureTarget final : public editing::TUndoTarget {
public:
    explicit TPictureTarget(fw::DibBitmap& picture) : picture_(picture) {}
    editing::TPixelLayout Layout() const override { return LayoutOf(picture_); }
    std::uint8_t* Pixels() override { return picture_.Bits(); }
    void PixelsRestored() override { picture_.Changed(); }
    void Replace(const img::Bitmap& image) override { picture_.Assign(image); }

private:
    fw::DibBitmap& picture_;
};

} // namespace

void TUndoHistory::Push(const fw::DibBitmap& picture, editing::THistoryKeep keep)
{
    history_.Push(picture.ToImage(), keep);
}

void TUndoHistory::Settle(const fw::DibBitmap& picture)
{
    history_.Settle(picture.View());
}

bool TUndoHistory::Undo(fw::DibBitmap& picture)
{
    TPictureTarget target(picture);
    return history_.Undo(target);
}
