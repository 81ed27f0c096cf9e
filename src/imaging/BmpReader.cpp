#include "imaging/BmpReader.h"

#include "imaging/BmpFormat.h"
#include "imaging/ByteOrder.h"
#include "imaging/ImageError.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace img {

namespace {

using detail::GetI32;
using detail::GetU16;
using detail::GetU32;

[[noreturn]] void Fail(const std::string& reason)
{
    throw BmpError(reason);
}

std::string Num(std::uint64_t v)
{
    return std::to_string(v);
}

std::string Hex(std::uint32_t v)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        s += digits[(v >> shift) & 0xF];
    return s;
}

std::uint64_t RowBytes(std::uint64_t width, int bits)
{
    return (width * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
}

bool IsBitfields(std::uint32_t compression)
{
    return compression == bmp::kBiBitfields || compression == bmp::kBiAlphaBitfields;
}

bool IsRle(std::uint32_t compression)
{
    return compression == bmp::kBiRle8 || compression == bmp::kBiRle4;
}

// Everything the headers tell, before the colour table and masks are read.
struct Layout {
    BmpInfo info;
    bool core = false;
    std::uint32_t sizeImage = 0;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
    std::size_t masksAfterHeader = 0;     // 12 or 16 bytes for a 40-byte header with bit fields
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t paletteCount = 0;
    std::uint64_t sourceStride = 0;
};

void CheckHeaderSize(std::uint32_t headerSize)
{
    switch (headerSize) {
    case bmp::kCoreHeaderSize:
    case bmp::kInfoHeaderSize:
    case bmp::kV2HeaderSize:
    case bmp::kV3HeaderSize:
    case bmp::kV4HeaderSize:
    case bmp::kV5HeaderSize:
        return;
    default:
        Fail("unsupported header size " + Num(headerSize));
    }
}

void CheckDepthAndCompression(Layout& layout)
{
    const int bits = layout.info.bitCount;
    const std::uint32_t compression = layout.info.compression;
    switch (compression) {
    case bmp::kBiRgb:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            Fail("unsupported bit count " + Num(static_cast<std::uint64_t>(bits)));
        if (layout.core && (bits == 16 || bits == 32))
            Fail("unsupported bit count " + Num(static_cast<std::uint64_t>(bits)) + " with a core header");
        return;
    case bmp::kBiRle8:
    case bmp::kBiRle4: {
        const int expected = compression == bmp::kBiRle8 ? 8 : 4;
        if (bits != expected)
            Fail(std::string(compression == bmp::kBiRle8 ? "RLE8" : "RLE4") + " compression with " +
                 Num(static_cast<std::uint64_t>(bits)) + " bits per pixel");
        return;
    }
    case bmp::kBiBitfields:
    case bmp::kBiAlphaBitfields:
        if (bits != 16 && bits != 32)
            Fail("bit-field masks with " + Num(static_cast<std::uint64_t>(bits)) + " bits per pixel");
        if (layout.info.headerSize == bmp::kInfoHeaderSize)
            layout.masksAfterHeader = compression == bmp::kBiBitfields ? 12 : 16;
        return;
    case bmp::kBiJpeg:
    case bmp::kBiPng:
        Fail("JPEG or PNG compressed bitmaps are not supported");
    default:
        Fail("unknown compression " + Num(compression));
    }
}

// Bits per pixel of the Bitmap ReadBmp makes, at most (16-bit images with
// unusual masks become 24-bit).
int DecodedBits(const Layout& layout)
{
    const int bits = layout.info.bitCount;
    if (bits == 2)
        return 4;
    if (bits == 16 && IsBitfields(layout.info.compression))
        return 24;
    return bits;
}

void CheckLimits(const Layout& layout, const BmpReadLimits& limits)
{
    const auto width = static_cast<std::uint64_t>(layout.info.width);
    const auto height = static_cast<std::uint64_t>(layout.info.height);
    if (width * height > limits.maxPixels) // both < 2^31: no overflow
        Fail(Num(width) + " x " + Num(height) + " pixels exceed the limit of " + Num(limits.maxPixels) + " pixels");
    const std::uint64_t stride = RowBytes(width, DecodedBits(layout));
    if (stride > limits.maxDecodedBytes / height)
        Fail("the decoded image would take more than " + Num(limits.maxDecodedBytes) + " bytes");
}

void LocatePaletteAndPixels(Layout& layout, std::uint32_t bfOffBits, std::uint32_t clrUsed)
{
    BmpInfo& info = layout.info;
    layout.paletteOffset = bmp::kFileHeaderSize + info.headerSize + layout.masksAfterHeader;
    layout.paletteEntrySize = layout.core ? 3 : 4;
    std::uint64_t count = clrUsed;
    if (info.bitCount <= 8) {
        const std::uint64_t maxEntries = 1u << info.bitCount;
        if (count > maxEntries) {
            // Some writers store a full 256-entry table whatever the depth, and
            // say so; the platform then uses the entries the pixels can index.
            // That needs the pixel offset to step over the whole table: without
            // it (or with the table cut short) the file is refused.
            const std::uint64_t declaredEnd = layout.paletteOffset + count * layout.paletteEntrySize;
            if (bfOffBits == 0 || bfOffBits < declaredEnd)
                Fail("the colour table has " + Num(count) + " entries, more than " + Num(maxEntries) +
                     " allowed at " + Num(static_cast<std::uint64_t>(info.bitCount)) + " bits per pixel");
            count = maxEntries;
        }
        if (count == 0)
            count = maxEntries;
    }
    // A direct-colour image may carry an optional table; it is skipped.
    const std::uint64_t tableEnd = layout.paletteOffset + count * layout.paletteEntrySize;
    if (bfOffBits == 0) {
        if (tableEnd > std::numeric_limits<std::uint32_t>::max())
            Fail("the colour table of " + Num(count) + " entries is too large");
        info.pixelOffset = static_cast<std::size_t>(tableEnd);
    } else {
        if (bfOffBits < layout.paletteOffset)
            Fail("the pixel data offset " + Num(bfOffBits) + " points into the headers");
        info.pixelOffset = bfOffBits;
        // Writers of old files often cut the table short where the pixels start.
        if (tableEnd > bfOffBits)
            count = (bfOffBits - layout.paletteOffset) / layout.paletteEntrySize;
    }
    layout.paletteCount = info.bitCount <= 8 ? static_cast<std::size_t>(count) : 0;
}

void ComputeSizes(Layout& layout, std::uint32_t bfSize)
{
    BmpInfo& info = layout.info;
    layout.sourceStride = RowBytes(static_cast<std::uint64_t>(info.width), info.bitCount);
    std::uint64_t imageBytes = 0;
    bool endKnown = true;
    if (IsRle(info.compression)) {
        imageBytes = layout.sizeImage;
        endKnown = layout.sizeImage != 0;
    } else {
        // Row bytes < 2^34 and height < 2^31: the product fits in 64 bits.
        imageBytes = layout.sourceStride * static_cast<std::uint64_t>(info.height);
    }
    if (imageBytes > std::numeric_limits<std::size_t>::max() - info.pixelOffset)
        Fail("the pixel data is too large");
    const std::uint64_t required = info.pixelOffset + imageBytes;
    info.requiredSize = static_cast<std::size_t>(required);
    if (endKnown)
        info.fileSize = bfSize >= required ? bfSize : info.requiredSize;
    else
        info.fileSize = bfSize > info.pixelOffset ? bfSize : 0;
}

Layout ParseHeaders(const std::uint8_t* data, std::size_t size, const BmpReadLimits& limits)
{
    Layout layout;
    BmpInfo& info = layout.info;
    info.headerSize = static_cast<std::uint32_t>(BmpHeadersLength(data, size) - bmp::kFileHeaderSize);
    if (size < bmp::kFileHeaderSize + info.headerSize)
        Fail("the data ends inside the bitmap header");
    const std::uint32_t bfSize = GetU32(data + 2);
    const std::uint32_t bfOffBits = GetU32(data + 10);
    const std::uint8_t* h = data + bmp::kFileHeaderSize;
    std::uint32_t clrUsed = 0;
    std::int64_t width = 0, height = 0;
    layout.core = info.headerSize == bmp::kCoreHeaderSize;
    if (layout.core) {
        width = GetU16(h + 4);
        height = GetU16(h + 6);
        info.bitCount = GetU16(h + 10);
        info.compression = bmp::kBiRgb;
    } else {
        width = GetI32(h + 4);
        height = GetI32(h + 8);
        info.bitCount = GetU16(h + 14);
        info.compression = GetU32(h + 16);
        layout.sizeImage = GetU32(h + 20);
        clrUsed = GetU32(h + 32);
        if (info.headerSize >= bmp::kV2HeaderSize)
            layout.masks = {GetU32(h + 40), GetU32(h + 44), GetU32(h + 48)};
    }
    if (width <= 0)
        Fail("the width " + std::to_string(width) + " is not positive");
    if (height == 0)
        Fail("the height is zero");
    info.topDown = height < 0;
    height = height < 0 ? -height : height; // 64-bit: INT_MIN negates safely
    if (height > INT_MAX)
        Fail("the height " + std::to_string(height) + " is too large");
    info.width = static_cast<int>(width);
    info.height = static_cast<int>(height);

    CheckDepthAndCompression(layout);
    CheckLimits(layout, limits);
    LocatePaletteAndPixels(layout, bfOffBits, clrUsed);
    ComputeSizes(layout, bfSize);
    return layout;
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
class Channel {
public:
    Channel(std::uint32_t mask, int bitCount)
    {
        if (bitCount == 16 && mask > 0xFFFF)
            Fail("the colour mask " + Hex(mask) + " does not fit in 16 bits");
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        const std::uint32_t field = mask >> shift_;
        if ((field & (field + 1)) != 0)
            Fail("the colour mask " + Hex(mask) + " is not contiguous");
        bits_ = std::popcount(field);
        mask_ = mask;
        if (bits_ < 8) {
            const std::uint32_t max = field;
            for (std::uint32_t v = 0; v <= max; ++v)
                scale_[v] = static_cast<std::uint8_t>((v * 255 + max / 2) / max);
        }
    }

    std::uint8_t Get(std::uint32_t pixel) const noexcept
    {
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return bits_ >= 8 ? static_cast<std::uint8_t>(v >> (bits_ - 8)) : scale_[v];
    }

private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
    std::array<std::uint8_t, 128> scale_{}; // fields of up to 7 bits
};

std::array<std::uint32_t, 3> ReadMasks(const Layout& layout, const std::uint8_t* data, std::size_t size)
{
    if (layout.masksAfterHeader == 0)
        return layout.masks;
    const std::size_t at = bmp::kFileHeaderSize + layout.info.headerSize;
    if (size - at < 12)
        Fail("the data ends inside the colour masks");
    return {GetU32(data + at), GetU32(data + at + 4), GetU32(data + at + 8)};
}

std::vector<Rgb> ReadPalette(const Layout& layout, const std::uint8_t* data, std::size_t size)
{
    std::vector<Rgb> palette(layout.paletteCount);
    const std::size_t bytes = layout.paletteCount * layout.paletteEntrySize;
    if (layout.paletteOffset > size || size - layout.paletteOffset < bytes)
        Fail("the data ends inside the colour table");
    const std::uint8_t* p = data + layout.paletteOffset;
    for (Rgb& c : palette) {
        c = {p[2], p[1], p[0]};
        p += layout.paletteEntrySize;
    }
    return palette;
}

PixelFormat PaletteFormatFor(int bits)
{
    return bits == 1 ? PixelFormat::pf1bit : bits == 8 ? PixelFormat::pf8bit : PixelFormat::pf4bit;
}

int TargetRow(const BmpInfo& info, int fileRow)
{
    return info.topDown ? fileRow : info.height - 1 - fileRow;
}

// Rows already in the Bitmap's own layout: one copy per row; bits past the
// last pixel are dropped so the row's padding stays zero.
void CopyRows(const Layout& layout, const std::uint8_t* pixels, Bitmap& bitmap)
{
    const BmpInfo& info = layout.info;
    const std::uint64_t usedBits = static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.bitCount);
    const auto rowBytes = static_cast<std::size_t>((usedBits + 7) / 8);
    const auto stride = static_cast<std::size_t>(layout.sourceStride);
    for (int i = 0; i < info.height; ++i) {
        std::uint8_t* row = bitmap.Row(TargetRow(info, i));
        std::memcpy(row, pixels + static_cast<std::size_t>(i) * stride, rowBytes);
        if (usedBits % 8)
            row[rowBytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - usedBits % 8));
    }
}

void Expand2BitRows(const Layout& layout, const std::uint8_t* pixels, Bitmap& bitmap)
{
    const BmpInfo& info = layout.info;
    const auto stride = static_cast<std::size_t>(layout.sourceStride);
    for (int i = 0; i < info.height; ++i) {
        const std::uint8_t* src = pixels + static_cast<std::size_t>(i) * stride;
        std::uint8_t* row = bitmap.Row(TargetRow(info, i));
        for (int x = 0; x < info.width; ++x) {
            const int index = (src[x / 4] >> (6 - 2 * (x % 4))) & 3;
            row[x / 2] = static_cast<std::uint8_t>(row[x / 2] | (index << (x % 2 ? 0 : 4)));
        }
    }
}

void DecodeBitfieldRows(const Layout& layout, const std::array<std::uint32_t, 3>& masks, const std::uint8_t* pixels,
                        Bitmap& bitmap)
{
    const BmpInfo& info = layout.info;
    const Channel red(masks[0], info.bitCount), green(masks[1], info.bitCount), blue(masks[2], info.bitCount);
    const auto stride = static_cast<std::size_t>(layout.sourceStride);
    const std::size_t inStep = info.bitCount == 16 ? 2 : 4;
    const std::size_t outStep = bitmap.Format() == PixelFormat::pf32bit ? 4 : 3;
    for (int i = 0; i < info.height; ++i) {
        const std::uint8_t* src = pixels + static_cast<std::size_t>(i) * stride;
        std::uint8_t* out = bitmap.Row(TargetRow(info, i));
        for (int x = 0; x < info.width; ++x, src += inStep, out += outStep) {
            const std::uint32_t pixel = inStep == 2 ? GetU16(src) : GetU32(src);
            out[0] = blue.Get(pixel);
            out[1] = green.Get(pixel);
            out[2] = red.Get(pixel);
        }
    }
}

// RLE8 / RLE4: runs, absolute runs padded to 16 bits, and the escapes
// end-of-line (0,0), end-of-bitmap (0,1) and delta (0,2,dx,dy). Pixels the
// data skips stay at index 0. Data that ends without end-of-bitmap is
// accepted. Widely used encoders let a row's last run (or a delta) go on into
// the row's padding, up to its 4-byte end as an uncompressed row would have
// it; every common reader accepts that, so what lies past the width is
// dropped. Anything beyond the padding, or past the last row, is refused.
class RleDecoder {
public:
    RleDecoder(const BmpInfo& info, Bitmap& bitmap)
        : info_(info), bitmap_(bitmap), rle4_(info.bitCount == 4),
          rowEnd_(static_cast<std::int64_t>(RowBytes(static_cast<std::uint64_t>(info.width), info.bitCount) * 8 /
                                            static_cast<std::uint64_t>(info.bitCount)))
    {
    }

    void Decode(const std::uint8_t* p, const std::uint8_t* end)
    {
        while (end - p >= 2) {
            const int count = p[0];
            const std::uint8_t value = p[1];
            p += 2;
            if (count > 0) {
                std::uint8_t* row = PrepareRun(count);
                const int shown = Shown(count);
                for (int i = 0; i < shown; ++i)
                    Put(row, X() + i, rle4_ ? (i % 2 ? value & 0x0F : value >> 4) : value);
                x_ += count;
                continue;
            }
            switch (value) {
            case 0: // end of line
                x_ = 0;
                if (++y_ > info_.height)
                    Fail("the RLE data runs past the last row");
                break;
            case 1: // end of bitmap
                return;
            case 2: // delta
                if (end - p < 2)
                    Fail("the RLE data ends inside a delta escape");
                x_ += p[0];
                y_ += p[1];
                p += 2;
                if (x_ > rowEnd_ || y_ > info_.height)
                    Fail("an RLE delta moves outside the image");
                break;
            default: { // absolute run of `value` pixels
                const std::size_t bytes = rle4_ ? (value + 1u) / 2 : value;
                if (static_cast<std::size_t>(end - p) < bytes)
                    Fail("the RLE data ends inside an absolute run");
                std::uint8_t* row = PrepareRun(value);
                const int shown = Shown(value);
                for (int i = 0; i < shown; ++i)
                    Put(row, X() + i, rle4_ ? (i % 2 ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
                x_ += value;
                p += std::min(bytes + (bytes & 1), static_cast<std::size_t>(end - p));
                break;
            }
            }
        }
    }

private:
    std::uint8_t* PrepareRun(int count)
    {
        if (y_ >= info_.height)
            Fail("the RLE data runs past the last row");
        if (count > rowEnd_ - x_)
            Fail("an RLE run crosses the end of row " + Num(static_cast<std::uint64_t>(y_)));
        return bitmap_.Row(TargetRow(info_, y_));
    }

    // How many of `count` pixels from the current position lie inside the
    // width; the rest fall into the padding.
    int Shown(int count) const noexcept
    {
        return static_cast<int>(std::clamp<std::int64_t>(info_.width - x_, 0, count));
    }

    // Only called while x_ is inside the width, so it fits an int.
    int X() const noexcept { return static_cast<int>(x_); }

    void Put(std::uint8_t* row, int x, int index) const noexcept
    {
        if (!rle4_) {
            row[x] = static_cast<std::uint8_t>(index);
            return;
        }
        const int shift = x % 2 ? 0 : 4;
        row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & ~(0x0F << shift)) | ((index & 0x0F) << shift));
    }

    const BmpInfo& info_;
    Bitmap& bitmap_;
    const bool rle4_;
    // Pixels a row holds with its padding: the width rounded up so that the
    // row, uncompressed, would end on a 4-byte boundary. 64 bits: for a width
    // near INT_MAX the rounding passes it.
    const std::int64_t rowEnd_;
    std::int64_t x_ = 0;
    int y_ = 0;
};

} // namespace

std::size_t BmpHeadersLength(const std::uint8_t* data, std::size_t size)
{
    if (size < kBmpProbeSize)
        Fail("the data is too short for a bitmap file header (" + Num(size) + " bytes)");
    if (GetU16(data) != bmp::kSignature)
        Fail("the data does not start with \"BM\"");
    const std::uint32_t headerSize = GetU32(data + bmp::kFileHeaderSize);
    CheckHeaderSize(headerSize);
    return bmp::kFileHeaderSize + headerSize;
}

BmpInfo ReadBmpInfo(const std::uint8_t* data, std::size_t size, const BmpReadLimits& limits)
{
    return ParseHeaders(data, size, limits).info;
}

Bitmap ReadBmp(const std::uint8_t* data, std::size_t size, const BmpReadLimits& limits)
{
    const Layout layout = ParseHeaders(data, size, limits);
    const BmpInfo& info = layout.info;
    if (info.pixelOffset > size)
        Fail("the pixel data offset " + Num(info.pixelOffset) + " is beyond the end of the data (" + Num(size) +
             " bytes)");
    const std::uint8_t* pixels = data + info.pixelOffset;
    const std::size_t available = size - info.pixelOffset;
    const bool rle = IsRle(info.compression);
    // Uncompressed rows must all be present before anything is allocated, so
    // the allocation never exceeds a small multiple of the input.
    if (!rle && available < info.requiredSize - info.pixelOffset)
        Fail("the pixel data is truncated: " + Num(info.requiredSize - info.pixelOffset) + " bytes needed, " +
             Num(available) + " present");

    if (info.bitCount <= 8) {
        const std::vector<Rgb> palette = ReadPalette(layout, data, size);
        Bitmap bitmap(info.width, info.height, PaletteFormatFor(info.bitCount));
        bitmap.SetPalette(palette);
        if (rle) {
            const std::size_t length = layout.sizeImage != 0 ? std::min<std::size_t>(layout.sizeImage, available)
                                                             : available;
            RleDecoder(info, bitmap).Decode(pixels, pixels + length);
        } else if (info.bitCount == 2) {
            Expand2BitRows(layout, pixels, bitmap);
        } else {
            CopyRows(layout, pixels, bitmap);
        }
        return bitmap;
    }

    const std::array<std::uint32_t, 3> masks =
        IsBitfields(info.compression) ? ReadMasks(layout, data, size) : std::array<std::uint32_t, 3>{};
    PixelFormat format = info.bitCount == 16 ? PixelFormat::pf15bit
                         : info.bitCount == 24 ? PixelFormat::pf24bit
                                               : PixelFormat::pf32bit;
    bool native = true;
    if (IsBitfields(info.compression)) {
        if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0)
            Fail("the colour masks are all zero");
        using M = std::array<std::uint32_t, 3>;
        if (info.bitCount == 16 && masks == M{bmp::kMask565Red, bmp::kMask565Green, bmp::kMask565Blue})
            format = PixelFormat::pf16bit;
        else if (info.bitCount == 16 && masks != M{bmp::kMask555Red, bmp::kMask555Green, bmp::kMask555Blue})
            native = false, format = PixelFormat::pf24bit;
        else if (info.bitCount == 32 && masks != M{bmp::kMask888Red, bmp::kMask888Green, bmp::kMask888Blue})
            native = false;
    }
    Bitmap bitmap(info.width, info.height, format);
    if (native)
        CopyRows(layout, pixels, bitmap);
    else
        DecodeBitfieldRows(layout, masks, pixels, bitmap);
    return bitmap;
}

} // namespace img
