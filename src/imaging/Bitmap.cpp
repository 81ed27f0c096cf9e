#include "imaging/Bitmap.h"

#include "imaging/ImageError.h"
#include "imaging/Palettes.h"

#include <cassert>
#include <cstdint>
#include <limits>
#include <string>

namespace img {

namespace {

// The largest pixel buffer we agree to describe; a std::vector cannot hold more.
constexpr std::uint64_t kMaxBufferBytes = static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());

[[noreturn]] void ThrowTooLarge(int width, int height, PixelFormat format)
{
    throw ImageError("Image too large: " + std::to_string(width) + " x " + std::to_string(height) + " pixels at " +
                     std::to_string(BitsPerPixel(format)) + " bits per pixel");
}

void CheckFormat(PixelFormat format)
{
    if (BitsPerPixel(format) == 0)
        throw ImageError("Unknown pixel format " + std::to_string(static_cast<int>(format)));
}

} // namespace

int PaletteSize(PixelFormat format) noexcept
{
    return HasPalette(format) && BitsPerPixel(format) > 0 ? 1 << BitsPerPixel(format) : 0;
}

std::size_t Bitmap::StrideFor(int width, PixelFormat format)
{
    CheckFormat(format);
    if (width < 0)
        throw ImageError("Invalid image width " + std::to_string(width));
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(BitsPerPixel(format));
    return static_cast<std::size_t>((bits + 31) / 32 * 4); // at most 2^34: fits
}

std::size_t Bitmap::SizeFor(int width, int height, PixelFormat format)
{
    if (height < 0)
        throw ImageError("Invalid image height " + std::to_string(height));
    const std::uint64_t stride = StrideFor(width, format);
    if (stride != 0 && static_cast<std::uint64_t>(height) > kMaxBufferBytes / stride)
        ThrowTooLarge(width, height, format);
    return static_cast<std::size_t>(stride * static_cast<std::uint64_t>(height));
}

Bitmap::Bitmap() : Bitmap(0, 0, PixelFormat::pf24bit) {}

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : width_(width), height_(height), format_(format), stride_(StrideFor(width, format)),
      pixels_(SizeFor(width, height, format))
{
    const auto fixed = FixedPalette(format);
    palette_.assign(fixed.begin(), fixed.end());
}

std::uint8_t* Bitmap::Row(int y) noexcept
{
    assert(y >= 0 && y < height_);
    return pixels_.data() + static_cast<std::size_t>(y) * stride_;
}

const std::uint8_t* Bitmap::Row(int y) const noexcept
{
    assert(y >= 0 && y < height_);
    return pixels_.data() + static_cast<std::size_t>(y) * stride_;
}

void Bitmap::SetPalette(std::span<const Rgb> colours)
{
    CheckPaletteFormat("set a palette");
    const auto size = static_cast<std::size_t>(PaletteSize(format_));
    if (colours.size() > size)
        throw ImageError("Palette of " + std::to_string(colours.size()) + " colours is too large for " +
                         std::to_string(BitsPerPixel(format_)) + " bits per pixel");
    palette_.assign(colours.begin(), colours.end());
    palette_.resize(size, Rgb{});
}

void Bitmap::CheckInside(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw ImageError("Pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside the " +
                         std::to_string(width_) + " x " + std::to_string(height_) + " image");
}

void Bitmap::CheckPaletteFormat(const char* operation) const
{
    if (!HasPalette(format_))
        throw ImageError(std::string("Cannot ") + operation + " on an image without a palette");
}

int Bitmap::GetIndex(int x, int y) const
{
    CheckPaletteFormat("read a palette index");
    CheckInside(x, y);
    const int bpp = BitsPerPixel(format_);
    const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp);
    const std::uint8_t byte = Row(y)[bit / 8];
    const int shift = 8 - bpp - static_cast<int>(bit % 8);
    return (byte >> shift) & ((1 << bpp) - 1);
}

void Bitmap::SetIndex(int x, int y, int index)
{
    CheckPaletteFormat("write a palette index");
    CheckInside(x, y);
    if (index < 0 || index >= PaletteSize(format_))
        throw ImageError("Palette index " + std::to_string(index) + " out of range");
    const int bpp = BitsPerPixel(format_);
    const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp);
    std::uint8_t& byte = Row(y)[bit / 8];
    const int shift = 8 - bpp - static_cast<int>(bit % 8);
    const int mask = ((1 << bpp) - 1) << shift;
    byte = static_cast<std::uint8_t>((byte & ~mask) | (index << shift));
}

Rgb Bitmap::GetPixel(int x, int y) const
{
    CheckInside(x, y);
    const std::uint8_t* row = Row(y);
    switch (format_) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf4bit:
    case PixelFormat::pf8bit:
        return palette_[static_cast<std::size_t>(GetIndex(x, y))];
    case PixelFormat::pf15bit:
        return Unpack555(static_cast<std::uint16_t>(row[2 * x] | (row[2 * x + 1] << 8)));
    case PixelFormat::pf16bit:
        return Unpack565(static_cast<std::uint16_t>(row[2 * x] | (row[2 * x + 1] << 8)));
    case PixelFormat::pf24bit:
        return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    case PixelFormat::pf32bit:
        return {row[4 * x + 2], row[4 * x + 1], row[4 * x]};
    }
    return {};
}

void Bitmap::SetPixel(int x, int y, Rgb colour)
{
    CheckInside(x, y);
    std::uint8_t* row = Row(y);
    std::uint16_t word = 0;
    switch (format_) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf4bit:
    case PixelFormat::pf8bit:
        SetIndex(x, y, NearestIndex(palette_, colour));
        return;
    case PixelFormat::pf15bit:
    case PixelFormat::pf16bit:
        word = format_ == PixelFormat::pf15bit ? Pack555(colour) : Pack565(colour);
        row[2 * x] = static_cast<std::uint8_t>(word);
        row[2 * x + 1] = static_cast<std::uint8_t>(word >> 8);
        return;
    case PixelFormat::pf24bit:
        row[3 * x] = colour.b;
        row[3 * x + 1] = colour.g;
        row[3 * x + 2] = colour.r;
        return;
    case PixelFormat::pf32bit:
        row[4 * x] = colour.b;
        row[4 * x + 1] = colour.g;
        row[4 * x + 2] = colour.r;
        row[4 * x + 3] = 0;
        return;
    }
}

} // namespace img
