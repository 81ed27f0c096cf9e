// A list of glyphs of one size (a tool bar's button pictures), made from
// strips of glyphs side by side.
#pragma once
#include "gdi/DibBitmap.h"
#include <commctrl.h>

namespace fw {

class ImageList {
public:
    ImageList(int width, int height);
    ~ImageList();
    ImageList(ImageList&& other) noexcept;
    ImageList& operator=(ImageList&& other) noexcept;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    // Appends the glyphs of `strip`, left to right; its pixels of colour
    // `transparent` let the background through.
    void AddMasked(const DibBitmap& strip, Color transparent);
    // A list of the `count` glyphs of `strip`, each drawn at width x height
    // (pixel art keeps its hard edges: each source pixel becomes a block).
    static ImageList FromStrip(const DibBitmap& strip, int count, int width, int height, Color transparent);
    int Count() const;
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    HIMAGELIST Handle() const noexcept { return list_; }

private:
    HIMAGELIST list_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace fw
