// The seven pixel formats an image can have. The numbering matches the
// colour-depth menu's order (1 to 7).
#pragma once
#include <cstdint>

namespace img {

enum class PixelFormat : int {
    pf1bit = 1,  // palette, 2 colours
    pf4bit = 2,  // palette, 16 colours
    pf8bit = 3,  // palette, 256 colours
    pf15bit = 4, // 16 bits per pixel: x-5-5-5
    pf16bit = 5, // 16 bits per pixel: 5-6-5
    pf24bit = 6, // B, G, R
    pf32bit = 7, // B, G, R, unused
};

int BitsPerPixel(PixelFormat format) noexcept;
bool HasPalette(PixelFormat format) noexcept;

} // namespace img
