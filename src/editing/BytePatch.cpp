#include "editing/BytePatch.h"

#include <algorithm>
#include <cstring>

namespace editing {

std::size_t TPixelLayout::RowBytes() const noexcept
{
    const auto bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(img::BitsPerPixel(format));
    return std::min((bits + 7) / 8, stride);
}

TPixelLayout TPixelLayout::Of(const img::Bitmap& image) noexcept
{
    return Of(img::BitmapView::Of(image));
}

TPixelLayout TPixelLayout::Of(const img::BitmapView& image) noexcept
{
    return {image.width, image.height, image.format, image.stride};
}

void TBytePatch::Fill(const TPixelLayout& layout, const std::uint8_t* pixels, int top, int rows,
                      std::size_t first, std::size_t span)
{
    top_ = top;
    rows_ = rows;
    first_ = first;
    span_ = span;
    bytes_.resize(static_cast<std::size_t>(rows) * span);
    for (int r = 0; r < rows; ++r)
        std::memcpy(bytes_.data() + static_cast<std::size_t>(r) * span,
                    pixels + static_cast<std::size_t>(top + r) * layout.stride + first, span);
}

TBytePatch TBytePatch::Capture(const TPixelLayout& layout, const std::uint8_t* pixels, TRect rect)
{
    TBytePatch patch;
    patch.Recapture(layout, pixels, rect);
    return patch;
}

void TBytePatch::Recapture(const TPixelLayout& layout, const std::uint8_t* pixels, TRect rect)
{
    rect = ClippedRect(rect, layout.width, layout.height);
    if (rect.Empty() || !pixels) {
        bytes_.clear();
        top_ = rows_ = 0;
        first_ = span_ = 0;
        return;
    }
    const auto bpp = static_cast<std::size_t>(img::BitsPerPixel(layout.format));
    const std::size_t first = static_cast<std::size_t>(rect.left) * bpp / 8;
    const std::size_t end = std::min((static_cast<std::size_t>(rect.right) * bpp + 7) / 8, layout.RowBytes());
    Fill(layout, pixels, rect.top, rect.Height(), first, end - first);
}

TBytePatch TBytePatch::Difference(const TPixelLayout& layout, const std::uint8_t* before,
                                  const std::uint8_t* after)
{
    const std::size_t rowBytes = layout.RowBytes();
    if (!before || !after || rowBytes == 0)
        return {};
    int top = -1, bottom = -1;
    std::size_t first = rowBytes, end = 0;
    for (int y = 0; y < layout.height; ++y) {
        const std::uint8_t* b = before + static_cast<std::size_t>(y) * layout.stride;
        const std::uint8_t* a = after + static_cast<std::size_t>(y) * layout.stride;
        if (std::memcmp(a, b, rowBytes) == 0)
            continue;
        // Only the bytes outside the columns found so far can widen them.
        std::size_t i = 0;
        while (i < first && a[i] == b[i])
            ++i;
        first = std::min(first, i);
        std::size_t j = rowBytes;
        while (j > end && a[j - 1] == b[j - 1])
            --j;
        end = std::max(end, j);
        if (top < 0)
            top = y;
        bottom = y + 1;
    }
    if (top < 0)
        return {};
    TBytePatch patch;
    patch.Fill(layout, before, top, bottom - top, first, end - first);
    return patch;
}

void TBytePatch::Restore(const TPixelLayout& layout, std::uint8_t* pixels) const
{
    if (!pixels || bytes_.empty() || first_ >= layout.stride)
        return;
    const std::size_t span = std::min(span_, layout.stride - first_);
    const int rows = std::min(rows_, layout.height - top_);
    for (int r = 0; r < rows; ++r)
        std::memcpy(pixels + static_cast<std::size_t>(top_ + r) * layout.stride + first_,
                    bytes_.data() + static_cast<std::size_t>(r) * span_, span);
}

} // namespace editing
