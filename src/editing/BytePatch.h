// A rectangle of an image's bytes, kept so that it can be written back: the
// rubber band's saved background and a trimmed undo step. It works on the
// bytes as they lie in memory, so one patch serves every pixel format.
#pragma once
#include "editing/EditorRules.h"
#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace editing {

// How an image's pixels lie in memory: top-down rows of `stride` bytes, as
// in img::Bitmap and in a top-down DIB section.
struct TPixelLayout {
    int width = 0;
    int height = 0;
    img::PixelFormat format = img::PixelFormat::pf24bit;
    std::size_t stride = 0;

    bool operator==(const TPixelLayout&) const = default;
    // The bytes at the start of each row that hold pixels.
    std::size_t RowBytes() const noexcept;
    static TPixelLayout Of(const img::Bitmap& image) noexcept;
    static TPixelLayout Of(const img::BitmapView& image) noexcept;
};

class TBytePatch {
public:
    TBytePatch() = default;

    // The bytes under `rect`, cut to the image; with less than a byte per
    // pixel, the whole bytes that hold its pixels.
    static TBytePatch Capture(const TPixelLayout& layout, const std::uint8_t* pixels, TRect rect);
    // Capture into this patch, whose memory serves again (the rubber band
    // keeps the background of every move of a drag in one).
    void Recapture(const TPixelLayout& layout, const std::uint8_t* pixels, TRect rect);
    // The bytes of `before` inside the smallest block of rows and byte
    // columns outside which `before` and `after` (both laid out as `layout`)
    // are equal; empty when they are equal throughout.
    static TBytePatch Difference(const TPixelLayout& layout, const std::uint8_t* before,
                                 const std::uint8_t* after);

    // Writes the kept bytes back where they came from. Whatever would fall
    // outside an image of `layout` is left out, so a patch never writes past
    // the pixels it is given.
    void Restore(const TPixelLayout& layout, std::uint8_t* pixels) const;

    bool Empty() const noexcept { return bytes_.empty(); }
    std::size_t SizeBytes() const noexcept { return bytes_.size(); }

private:
    void Fill(const TPixelLayout& layout, const std::uint8_t* pixels, int top, int rows, std::size_t first,
              std::size_t span);

    int top_ = 0;
    int rows_ = 0;
    std::size_t first_ = 0; // first byte of each row
    std::size_t span_ = 0;  // bytes per row
    std::vector<std::uint8_t> bytes_;
};

} // namespace editing
