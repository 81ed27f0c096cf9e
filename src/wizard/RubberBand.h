// The pixels under a shape's preview, kept so that the next move can put
// them back (SaveBackground / RestoreBackground): the shape's box grown by
// 2 on every side and cut to the picture.
#pragma once
#include "editing/BytePatch.h"
#include "gdi/DibBitmap.h"

class TRubberBand {
public:
    // Keeps the picture's pixels around the shape with corners `a` and `b`,
    // replacing what was kept before.
    void Save(const fw::DibBitmap& picture, editing::TPoint a, editing::TPoint b);
    // Writes the kept pixels back into the picture; nothing when none are kept.
    void Restore(fw::DibBitmap& picture) const;
    void Release() noexcept;

private:
    editing::TPixelLayout layout_;
    editing::TBytePatch savedBackground_;
};

// The picture's pixels as the editor's portable code sees them.
editing::TPixelLayout LayoutOf(const fw::DibBitmap& picture) noexcept;
