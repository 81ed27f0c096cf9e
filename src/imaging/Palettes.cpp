#include "imaging/Palettes.h"

#include "imaging/ImageError.h"

#include <string>
#include <vector>

namespace img {

namespace {

constexpr std::array<Rgb, 2> kMonoPalette{{{0, 0, 0}, {255, 255, 255}}};

constexpr std::array<Rgb, 16> kVgaPalette{{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

// Greys placed one at a time into the widest remaining gap between the grey
// levels of the VGA colours and the cube (0, 51, 102, 128, 153, 192, 204, 255).
constexpr std::array<std::uint8_t, 32> kHalftoneGreys{
    6,   12,  18,  25,  31,  38,  44,  57,  63,  69,  76,  82,  89,  95,  108, 115,
    121, 134, 140, 146, 162, 167, 172, 182, 198, 210, 216, 222, 229, 235, 242, 248,
};

std::array<Rgb, 256> MakeHalftonePalette()
{
    std::array<Rgb, 256> palette{};
    std::size_t n = 0;
    for (const Rgb& c : kVgaPalette)
        palette[n++] = c;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) {
                const bool corner = (r == 0 || r == 5) && (g == 0 || g == 5) && (b == 0 || b == 5);
                if (!corner)
                    palette[n++] = {static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                                    static_cast<std::uint8_t>(b * 51)};
            }
    for (std::uint8_t v : kHalftoneGreys)
        palette[n++] = {v, v, v};
    return palette;
}

const std::array<Rgb, 256>& HalftonePalette()
{
    static const std::array<Rgb, 256> palette = MakeHalftonePalette();
    return palette;
}

// Green weighs most and blue least, a cheap approximation of perceived
// difference that keeps the search integer-only.
inline int Distance(Rgb a, Rgb b) noexcept
{
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

inline unsigned Cell(Rgb c) noexcept
{
    return (static_cast<unsigned>(c.r >> 3) << 10) | (static_cast<unsigned>(c.g >> 3) << 5) |
           static_cast<unsigned>(c.b >> 3);
}

} // namespace

std::span<const Rgb> FixedPalette(PixelFormat format) noexcept
{
    switch (format) {
    case PixelFormat::pf1bit: return kMonoPalette;
    case PixelFormat::pf4bit: return kVgaPalette;
    case PixelFormat::pf8bit: return HalftonePalette();
    default: return {};
    }
}

int NearestIndex(std::span<const Rgb> palette, Rgb colour) noexcept
{
    int best = 0;
    int bestDistance = Distance(palette[0], colour);
    for (std::size_t i = 1; i < palette.size() && bestDistance != 0; ++i) {
        const int d = Distance(palette[i], colour);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

ColourLookup::ColourLookup(std::span<const Rgb> palette)
{
    if (palette.empty() || palette.size() > 256)
        throw ImageError("A colour lookup needs 1 to 256 palette entries, not " + std::to_string(palette.size()));
    // Each cell takes the entry nearest to its centre...
    for (unsigned cell = 0; cell < table_.size(); ++cell) {
        const Rgb centre{static_cast<std::uint8_t>(((cell >> 10) << 3) | 4),
                         static_cast<std::uint8_t>((((cell >> 5) & 31) << 3) | 4),
                         static_cast<std::uint8_t>(((cell & 31) << 3) | 4)};
        table_[cell] = static_cast<std::uint8_t>(NearestIndex(palette, centre));
    }
    // ...except that a cell holding a palette entry takes that entry, so
    // images already limited to the palette convert without change.
    std::vector<bool> claimed(table_.size(), false);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const unsigned cell = Cell(palette[i]);
        if (!claimed[cell]) {
            claimed[cell] = true;
            table_[cell] = static_cast<std::uint8_t>(i);
        }
    }
}

const ColourLookup& FixedLookup(PixelFormat format)
{
    switch (format) {
    case PixelFormat::pf1bit: {
        static const ColourLookup lookup(kMonoPalette);
        return lookup;
    }
    case PixelFormat::pf4bit: {
        static const ColourLookup lookup(kVgaPalette);
        return lookup;
    }
    case PixelFormat::pf8bit: {
        static const ColourLookup lookup(HalftonePalette());
        return lookup;
    }
    default:
        throw ImageError("Pixel format " + std::to_string(static_cast<int>(format)) + " has no palette");
    }
}

} // namespace img
