#include "imaging/Convert.h"

#include "imaging/ImageError.h"
#include "imaging/Palettes.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace img {

namespace {

// Every conversion goes row by row through one of two intermediate rows:
// palette indices (one byte each) or B,G,R,X (four bytes each, the pf32bit
// layout, so a 32-bit source row is used as it is).

void UnpackIndices(const std::uint8_t* row, int width, int bpp, std::uint8_t* indices)
{
    switch (bpp) {
    case 8:
        std::memcpy(indices, row, static_cast<std::size_t>(width));
        return;
    case 4:
        for (int x = 0; x + 1 < width; x += 2) {
            const std::uint8_t byte = row[x / 2];
            indices[x] = byte >> 4;
            indices[x + 1] = byte & 0x0F;
        }
        if (width % 2)
            indices[width - 1] = row[width / 2] >> 4;
        return;
    case 1:
        for (int x = 0; x < width; ++x)
            indices[x] = (row[x / 8] >> (7 - x % 8)) & 1;
        return;
    }
}

// Writes whole bytes only, so the unused low bits of a row's last byte end up zero.
void PackIndices(const std::uint8_t* indices, int width, int bpp, std::uint8_t* row)
{
    switch (bpp) {
    case 8:
        std::memcpy(row, indices, static_cast<std::size_t>(width));
        return;
    case 4:
        for (int x = 0; x + 1 < width; x += 2)
            row[x / 2] = static_cast<std::uint8_t>((indices[x] << 4) | (indices[x + 1] & 0x0F));
        if (width % 2)
            row[width / 2] = static_cast<std::uint8_t>(indices[width - 1] << 4);
        return;
    case 1:
        for (int x = 0; x < width; x += 8) {
            std::uint8_t byte = 0;
            const int n = width - x < 8 ? width - x : 8;
            for (int i = 0; i < n; ++i)
                byte |= static_cast<std::uint8_t>((indices[x + i] & 1) << (7 - i));
            row[x / 8] = byte;
        }
        return;
    }
}

using BgrxPalette = std::array<std::uint8_t, 256 * 4>;

BgrxPalette ToBgrx(const std::vector<Rgb>& palette)
{
    BgrxPalette out{};
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
        out[4 * i] = palette[i].b;
        out[4 * i + 1] = palette[i].g;
        out[4 * i + 2] = palette[i].r;
    }
    return out;
}

// Decodes one row of a direct-colour or palette image into B,G,R,X.
class RowDecoder {
public:
    explicit RowDecoder(const Bitmap& source)
        : source_(source), bgrx_(static_cast<std::size_t>(source.Width()) * 4)
    {
        if (HasPalette(source.Format())) {
            palette_ = ToBgrx(source.Palette());
            indices_.resize(static_cast<std::size_t>(source.Width()));
        }
    }

    const std::uint8_t* Decode(int y)
    {
        const std::uint8_t* row = source_.Row(y);
        const int width = source_.Width();
        std::uint8_t* out = bgrx_.data();
        switch (source_.Format()) {
        case PixelFormat::pf32bit:
            return row;
        case PixelFormat::pf24bit:
            for (int x = 0; x < width; ++x, row += 3, out += 4) {
                out[0] = row[0];
                out[1] = row[1];
                out[2] = row[2];
                out[3] = 0;
            }
            break;
        case PixelFormat::pf16bit:
            for (int x = 0; x < width; ++x, row += 2, out += 4) {
                const unsigned w = row[0] | (row[1] << 8);
                out[0] = Expand5(w & 0x1F);
                out[1] = Expand6((w >> 5) & 0x3F);
                out[2] = Expand5(w >> 11);
                out[3] = 0;
            }
            break;
        case PixelFormat::pf15bit:
            for (int x = 0; x < width; ++x, row += 2, out += 4) {
                const unsigned w = row[0] | (row[1] << 8);
                out[0] = Expand5(w & 0x1F);
                out[1] = Expand5((w >> 5) & 0x1F);
                out[2] = Expand5((w >> 10) & 0x1F);
                out[3] = 0;
            }
            break;
        case PixelFormat::pf1bit:
        case PixelFormat::pf4bit:
        case PixelFormat::pf8bit:
            UnpackIndices(row, width, BitsPerPixel(source_.Format()), indices_.data());
            for (int x = 0; x < width; ++x, out += 4)
                std::memcpy(out, &palette_[4 * static_cast<std::size_t>(indices_[static_cast<std::size_t>(x)])], 4);
            break;
        }
        return bgrx_.data();
    }

private:
    const Bitmap& source_;
    std::vector<std::uint8_t> bgrx_;
    std::vector<std::uint8_t> indices_;
    BgrxPalette palette_{};
};

void EncodeDirectRow(const std::uint8_t* bgrx, int width, PixelFormat format, std::uint8_t* row)
{
    switch (format) {
    case PixelFormat::pf32bit:
        for (int x = 0; x < width; ++x, bgrx += 4, row += 4) {
            row[0] = bgrx[0];
            row[1] = bgrx[1];
            row[2] = bgrx[2];
            row[3] = 0;
        }
        return;
    case PixelFormat::pf24bit:
        for (int x = 0; x < width; ++x, bgrx += 4, row += 3) {
            row[0] = bgrx[0];
            row[1] = bgrx[1];
            row[2] = bgrx[2];
        }
        return;
    case PixelFormat::pf16bit:
        for (int x = 0; x < width; ++x, bgrx += 4, row += 2) {
            const unsigned w = ((bgrx[2] >> 3) << 11) | ((bgrx[1] >> 2) << 5) | (bgrx[0] >> 3);
            row[0] = static_cast<std::uint8_t>(w);
            row[1] = static_cast<std::uint8_t>(w >> 8);
        }
        return;
    case PixelFormat::pf15bit:
        for (int x = 0; x < width; ++x, bgrx += 4, row += 2) {
            const unsigned w = ((bgrx[2] >> 3) << 10) | ((bgrx[1] >> 3) << 5) | (bgrx[0] >> 3);
            row[0] = static_cast<std::uint8_t>(w);
            row[1] = static_cast<std::uint8_t>(w >> 8);
        }
        return;
    default:
        return;
    }
}

void LookupRow(const std::uint8_t* bgrx, int width, const ColourLookup& lookup, std::uint8_t* indices)
{
    for (int x = 0; x < width; ++x, bgrx += 4)
        indices[x] = lookup.Index(bgrx[2], bgrx[1], bgrx[0]);
}

// Palette image to a palette format: keep the palette when the target has
// room for it, otherwise map each entry once onto the target's fixed palette.
Bitmap ConvertPaletteToPalette(const Bitmap& source, PixelFormat format)
{
    Bitmap target(source.Width(), source.Height(), format);
    const int sourceBpp = BitsPerPixel(source.Format());
    const int targetBpp = BitsPerPixel(format);
    std::array<std::uint8_t, 256> map{};
    if (targetBpp > sourceBpp) {
        target.SetPalette(source.Palette());
        for (std::size_t i = 0; i < map.size(); ++i)
            map[i] = static_cast<std::uint8_t>(i);
    } else {
        const auto fixed = FixedPalette(format);
        for (std::size_t i = 0; i < source.Palette().size(); ++i)
            map[i] = static_cast<std::uint8_t>(NearestIndex(fixed, source.Palette()[i]));
    }
    if (target.Empty())
        return target;
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(source.Width()));
    for (int y = 0; y < source.Height(); ++y) {
        UnpackIndices(source.Row(y), source.Width(), sourceBpp, indices.data());
        for (std::uint8_t& i : indices)
            i = map[i];
        PackIndices(indices.data(), source.Width(), targetBpp, target.Row(y));
    }
    return target;
}

} // namespace

Bitmap ConvertTo(const Bitmap& source, PixelFormat format)
{
    if (BitsPerPixel(format) == 0)
        throw ImageError("Unknown pixel format " + std::to_string(static_cast<int>(format)));
    if (format == source.Format())
        return source;
    if (HasPalette(source.Format()) && HasPalette(format))
        return ConvertPaletteToPalette(source, format);

    Bitmap target(source.Width(), source.Height(), format);
    if (target.Empty())
        return target;
    const int width = source.Width();
    RowDecoder decoder(source);
    if (HasPalette(format)) {
        const ColourLookup& lookup = FixedLookup(format);
        const int bpp = BitsPerPixel(format);
        std::vector<std::uint8_t> indices(bpp == 8 ? 0 : static_cast<std::size_t>(width));
        for (int y = 0; y < source.Height(); ++y) {
            if (bpp == 8) {
                LookupRow(decoder.Decode(y), width, lookup, target.Row(y));
            } else {
                LookupRow(decoder.Decode(y), width, lookup, indices.data());
                PackIndices(indices.data(), width, bpp, target.Row(y));
            }
        }
    } else {
        for (int y = 0; y < source.Height(); ++y)
            EncodeDirectRow(decoder.Decode(y), width, format, target.Row(y));
    }
    return target;
}

} // namespace img
