#include "imaging/BmpWriter.h"

#include "imaging/BmpFormat.h"
#include "imaging/ByteOrder.h"
#include "imaging/ImageError.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace img {

namespace {

using detail::PutI32;
using detail::PutU16;
using detail::PutU32;

constexpr std::size_t kMaskBytes = 12;
constexpr std::size_t kMaxHeadersSize = bmp::kFileHeaderSize + bmp::kInfoHeaderSize + 256 * 4;

std::size_t HeadersSize(const BitmapView& bitmap)
{
    std::size_t size = bmp::kFileHeaderSize + bmp::kInfoHeaderSize;
    if (bitmap.format == PixelFormat::pf16bit)
        size += kMaskBytes;
    return size + bitmap.palette.size() * 4;
}

// Fills `out` with everything before the pixel rows; returns its length.
std::size_t BuildHeaders(const BitmapView& bitmap, std::uint32_t fileSize, std::array<std::uint8_t, kMaxHeadersSize>& out)
{
    const std::size_t headersSize = HeadersSize(bitmap);
    const bool bitfields = bitmap.format == PixelFormat::pf16bit;
    std::uint8_t* p = out.data();
    std::memset(p, 0, headersSize);

    PutU16(p, bmp::kSignature);
    PutU32(p + 2, fileSize);
    PutU32(p + 10, static_cast<std::uint32_t>(headersSize)); // bfOffBits; reserved words stay 0

    std::uint8_t* info = p + bmp::kFileHeaderSize;
    PutU32(info, bmp::kInfoHeaderSize);
    PutI32(info + 4, bitmap.width);
    PutI32(info + 8, bitmap.height); // positive: rows bottom-up
    PutU16(info + 12, 1);
    PutU16(info + 14, static_cast<std::uint16_t>(BitsPerPixel(bitmap.format)));
    PutU32(info + 16, bitfields ? bmp::kBiBitfields : bmp::kBiRgb);
    PutU32(info + 20, static_cast<std::uint32_t>(bitmap.SizeBytes()));
    PutI32(info + 24, bmp::kPixelsPerMetre96Dpi);
    PutI32(info + 28, bmp::kPixelsPerMetre96Dpi);
    PutU32(info + 32, static_cast<std::uint32_t>(bitmap.palette.size()));
    // biClrImportant 0: all colours matter.

    std::uint8_t* table = info + bmp::kInfoHeaderSize;
    if (bitfields) {
        PutU32(table, bmp::kMask565Red);
        PutU32(table + 4, bmp::kMask565Green);
        PutU32(table + 8, bmp::kMask565Blue);
        table += kMaskBytes;
    }
    for (const Rgb& c : bitmap.palette) {
        table[0] = c.b; // RGBQUAD
        table[1] = c.g;
        table[2] = c.r;
        table += 4;
    }
    return headersSize;
}

// Bits after the last pixel of a row should be zero already; a file must not
// carry whatever a caller left there, so such a row goes out cleaned.
bool RowPaddingClean(const std::uint8_t* row, std::size_t usedBits, std::size_t stride)
{
    std::size_t byte = usedBits / 8;
    if (usedBits % 8) {
        const auto lowBits = static_cast<std::uint8_t>(0xFF >> (usedBits % 8));
        if (row[byte] & lowBits)
            return false;
        ++byte;
    }
    for (; byte < stride; ++byte)
        if (row[byte])
            return false;
    return true;
}

void CleanRowPadding(std::uint8_t* row, std::size_t usedBits, std::size_t stride)
{
    std::size_t byte = usedBits / 8;
    if (usedBits % 8)
        row[byte++] &= static_cast<std::uint8_t>(0xFF << (8 - usedBits % 8));
    std::memset(row + byte, 0, stride - byte);
}

class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& out) : out_(out) {}
    void Write(const void* data, std::size_t size) override
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), bytes, bytes + size);
    }

private:
    std::vector<std::uint8_t>& out_;
};

} // namespace

std::size_t BmpFileSize(const BitmapView& bitmap)
{
    const std::size_t headers = HeadersSize(bitmap);
    if (bitmap.SizeBytes() > std::numeric_limits<std::uint32_t>::max() - headers)
        throw ImageError("Image too large for a BMP file: " + std::to_string(bitmap.width) + " x " +
                         std::to_string(bitmap.height) + " pixels");
    return headers + bitmap.SizeBytes();
}

std::size_t BmpFileSize(const Bitmap& bitmap)
{
    return BmpFileSize(BitmapView::Of(bitmap));
}

void WriteBmp(const BitmapView& bitmap, ByteSink& sink)
{
    if (bitmap.height > 0 && bitmap.stride != Bitmap::StrideFor(bitmap.width, bitmap.format))
        throw ImageError("The pixel rows are not laid out as a BMP file's");
    const std::size_t fileSize = BmpFileSize(bitmap);
    std::array<std::uint8_t, kMaxHeadersSize> headers;
    const std::size_t headersSize = BuildHeaders(bitmap, static_cast<std::uint32_t>(fileSize), headers);
    sink.Write(headers.data(), headersSize);

    const std::size_t stride = bitmap.stride;
    const std::size_t usedBits =
        static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(BitsPerPixel(bitmap.format));
    std::vector<std::uint8_t> cleaned;
    for (int y = bitmap.height - 1; y >= 0 && stride != 0; --y) {
        const std::uint8_t* row = bitmap.Row(y);
        if (!RowPaddingClean(row, usedBits, stride)) {
            cleaned.assign(row, row + stride);
            CleanRowPadding(cleaned.data(), usedBits, stride);
            row = cleaned.data();
        }
        sink.Write(row, stride);
    }
}

void WriteBmp(const Bitmap& bitmap, ByteSink& sink)
{
    WriteBmp(BitmapView::Of(bitmap), sink);
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap)
{
    std::vector<std::uint8_t> out;
    out.reserve(BmpFileSize(bitmap));
    VectorSink sink(out);
    WriteBmp(bitmap, sink);
    return out;
}

} // namespace img
