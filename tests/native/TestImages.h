// Deterministic test images shared by the test files.
#pragma once
#include "imaging/Bitmap.h"
#include "imaging/Palettes.h"

#include <array>
#include <cstdint>
#include <vector>

namespace imgtest {

constexpr std::array<img::PixelFormat, 7> kAllFormats{
    img::PixelFormat::pf1bit,  img::PixelFormat::pf4bit,  img::PixelFormat::pf8bit,  img::PixelFormat::pf15bit,
    img::PixelFormat::pf16bit, img::PixelFormat::pf24bit, img::PixelFormat::pf32bit,
};

// Small linear congruential generator: the same pseudo-random pixels on every run.
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Next()); }

private:
    std::uint32_t state_;
};

// Pseudo-random pixels; palette formats get a pseudo-random palette too, so
// nothing depends on the fixed palettes.
inline img::Bitmap NoiseImage(int width, int height, img::PixelFormat format, std::uint32_t seed = 1)
{
    Lcg rng(seed);
    img::Bitmap bitmap(width, height, format);
    if (img::HasPalette(format)) {
        std::vector<img::Rgb> palette(static_cast<std::size_t>(img::PaletteSize(format)));
        for (auto& c : palette)
            c = {rng.Byte(), rng.Byte(), rng.Byte()};
        bitmap.SetPalette(palette);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap.SetIndex(x, y, static_cast<int>(rng.Next() % palette.size()));
    } else {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap.SetPixel(x, y, {rng.Byte(), rng.Byte(), rng.Byte()});
    }
    return bitmap;
}

} // namespace imgtest
