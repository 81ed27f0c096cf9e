#include "wizard/RubberBand.h"

editing::TPixelLayout LayoutOf(const fw::DibBitmap& picture) noexcept
{
    return {picture.Width(), picture.Height(), picture.PixelFormat(), picture.Stride()};
}

void TRubberBand::Save(const fw::DibBitmap& picture, editing::TPoint a, editing::TPoint b)
{
    layout_ = LayoutOf(picture);
    const editing::TRect savedRect = editing::RubberBandRect(a, b, picture.Width(), picture.Height());
    savedBackground_.Recapture(layout_, picture.Bits(), savedRect);
}

void TRubberBand::Restore(fw::DibBitmap& picture) const
{
    // Kept from a picture of another size or format, the bytes would land
    // in the wrong places.
    if (savedBackground_.Empty() || !(LayoutOf(picture) == layout_))
        return;
    savedBackground_.Restore(layout_, picture.Bits());
    picture.Changed();
}

void TRubberBand::Release() noexcept
{
    savedBackground_ = {};
}
