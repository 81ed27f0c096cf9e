// Fixed palettes of the palette formats and fast nearest-colour matching.
//
//   pf1bit: black, white.
//   pf4bit: the 16 standard VGA colours in their usual order (black, maroon,
//           green, olive, navy, purple, teal, silver, grey, red, lime, yellow,
//           blue, fuchsia, aqua, white).
//   pf8bit: a halftone palette: entries 0-15 are the VGA colours above (so
//           4-bit images keep their indices), 16-223 the 6x6x6 colour cube
//           (channel levels 0, 51, 102, 153, 204, 255) without its 8 corners,
//           which are VGA colours already, and 224-255 thirty-two greys that
//           split the widest gaps left on the grey axis.
#pragma once
#include "imaging/PixelFormat.h"
#include "imaging/Rgb.h"

#include <array>
#include <cstdint>
#include <span>

namespace img {

// The fixed palette of a palette format; empty for direct-colour formats.
std::span<const Rgb> FixedPalette(PixelFormat format) noexcept;

// Index of the palette entry closest to a colour (weighted RGB distance; the
// first of equally close entries). The palette must not be empty. A linear
// search: for single pixels and for mapping one palette onto another.
int NearestIndex(std::span<const Rgb> palette, Rgb colour) noexcept;

// A precomputed 32x32x32 table from colour to nearest palette index, for
// converting whole images without searching the palette per pixel. Colours
// that are palette entries map to themselves (unless two entries share a
// table cell).
class ColourLookup {
public:
    explicit ColourLookup(std::span<const Rgb> palette);

    std::uint8_t Index(std::uint8_t r, std::uint8_t g, std::uint8_t b) const noexcept
    {
        return table_[(static_cast<unsigned>(r >> 3) << 10) | (static_cast<unsigned>(g >> 3) << 5) |
                      static_cast<unsigned>(b >> 3)];
    }

private:
    std::array<std::uint8_t, 32 * 32 * 32> table_{};
};

// The lookup for a palette format's fixed palette, built once on first use
// (thread-safe) and kept for the life of the process.
const ColourLookup& FixedLookup(PixelFormat format);

} // namespace img
