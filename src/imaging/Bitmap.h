// The in-memory image: one contiguous pixel buffer laid out exactly like a
// top-down Windows DIB, so the Windows side can copy it into (or out of) a
// DIB section with a single memcpy.
#pragma once
#include "imaging/PixelFormat.h"
#include "imaging/Rgb.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace img {

// Layout per pixel format (little-endian words, like Windows DIBs):
//   pf32bit B,G,R,X   pf24bit B,G,R
//   pf16bit 5-6-5 word (red in the high bits)   pf15bit x-5-5-5 word
//   pf1bit/pf4bit/pf8bit palette indices packed from the most significant bit
// Rows are stored top-down; each row takes Stride() bytes, a multiple of 4.
// Bits and bytes after the last pixel of a row are kept zero by everything
// in this library; code writing through Row() must not touch them.
// Palette formats always carry exactly 2, 16 or 256 entries; direct-colour
// formats carry none.
class Bitmap {
public:
    // 0x0, 24 bits per pixel.
    Bitmap();
    // All pixels zero (black, or palette entry 0); palette formats start with
    // the format's fixed palette (see Palettes.h). Throws ImageError when a
    // dimension is negative or the pixel buffer would be too large.
    Bitmap(int width, int height, PixelFormat format);

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    PixelFormat Format() const noexcept { return format_; }
    bool Empty() const noexcept { return width_ == 0 || height_ == 0; }

    std::size_t Stride() const noexcept { return stride_; }
    std::size_t SizeBytes() const noexcept { return pixels_.size(); }
    std::uint8_t* Data() noexcept { return pixels_.data(); }
    const std::uint8_t* Data() const noexcept { return pixels_.data(); }
    // Row y counted from the top; y must be in [0, Height()).
    std::uint8_t* Row(int y) noexcept;
    const std::uint8_t* Row(int y) const noexcept;

    const std::vector<Rgb>& Palette() const noexcept { return palette_; }
    // Replaces the colour table of a palette format; a shorter table is padded
    // with black. Throws ImageError for direct-colour formats or too many entries.
    void SetPalette(std::span<const Rgb> colours);

    // Single-pixel access for tests and drawing fallbacks; throws ImageError
    // outside the image. SetPixel on a palette format stores the nearest entry.
    Rgb GetPixel(int x, int y) const;
    void SetPixel(int x, int y, Rgb colour);
    // Palette index of a pixel; palette formats only.
    int GetIndex(int x, int y) const;
    void SetIndex(int x, int y, int index);

    // Bytes per row for a width, DWORD-aligned; throws ImageError on overflow.
    static std::size_t StrideFor(int width, PixelFormat format);
    // Total pixel bytes for the dimensions; throws ImageError when they cannot
    // be held in memory.
    static std::size_t SizeFor(int width, int height, PixelFormat format);

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    void CheckInside(int x, int y) const;
    void CheckPaletteFormat(const char* operation) const;

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::pf24bit;
    std::size_t stride_ = 0;
    std::vector<Rgb> palette_;
    std::vector<std::uint8_t> pixels_;
};

// A read-only look at pixels laid out like Bitmap's (top-down rows of
// `stride` bytes, a multiple of 4) that someone else holds, such as a DIB
// section, so that they can be encoded without a copy. The pixels and the
// palette must outlive the view and stay unchanged while it is used.
struct BitmapView {
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::pf24bit;
    std::span<const Rgb> palette;
    const std::uint8_t* bits = nullptr;
    std::size_t stride = 0;

    static BitmapView Of(const Bitmap& bitmap) noexcept
    {
        return {bitmap.Width(), bitmap.Height(), bitmap.Format(), bitmap.Palette(), bitmap.Data(),
                bitmap.Stride()};
    }
    const std::uint8_t* Row(int y) const noexcept { return bits + static_cast<std::size_t>(y) * stride; }
    std::size_t SizeBytes() const noexcept { return stride * static_cast<std::size_t>(height); }
};

// Number of palette entries a format carries: 2, 16, 256, or 0.
int PaletteSize(PixelFormat format) noexcept;

// 5- and 6-bit channel values widened to 8 bits so that 0 and the maximum
// map to 0 and 255 exactly.
constexpr std::uint8_t Expand5(unsigned v) noexcept { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); }
constexpr std::uint8_t Expand6(unsigned v) noexcept { return static_cast<std::uint8_t>((v << 2) | (v >> 4)); }

constexpr std::uint16_t Pack565(Rgb c) noexcept
{
    return static_cast<std::uint16_t>(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
}
constexpr std::uint16_t Pack555(Rgb c) noexcept
{
    return static_cast<std::uint16_t>(((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3));
}
constexpr Rgb Unpack565(std::uint16_t w) noexcept
{
    return {Expand5((w >> 11) & 0x1F), Expand6((w >> 5) & 0x3F), Expand5(w & 0x1F)};
}
constexpr Rgb Unpack555(std::uint16_t w) noexcept
{
    return {Expand5((w >> 10) & 0x1F), Expand5((w >> 5) & 0x1F), Expand5(w & 0x1F)};
}

} // namespace img
