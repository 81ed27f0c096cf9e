#include "imaging/PixelFormat.h"

namespace img {

int BitsPerPixel(PixelFormat format) noexcept
{
    switch (format) {
    case PixelFormat::pf1bit: return 1;
    case PixelFormat::pf4bit: return 4;
    case PixelFormat::pf8bit: return 8;
    case PixelFormat::pf15bit:
    case PixelFormat::pf16bit: return 16;
    case PixelFormat::pf24bit: return 24;
    case PixelFormat::pf32bit: return 32;
    }
    return 0;
}

bool HasPalette(PixelFormat format) noexcept
{
    return BitsPerPixel(format) <= 8;
}

} // namespace img
