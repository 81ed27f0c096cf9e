// Writing an image as a Windows BMP file: 14-byte file header, 40-byte
// BITMAPINFOHEADER, bit masks (5-6-5 only) or colour table, then the rows
// bottom-up, each padded with zeros to a multiple of 4 bytes.
#pragma once
#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace img {

// Where the file's bytes go (a memory buffer, an IStream, a file).
struct ByteSink {
    virtual void Write(const void* data, std::size_t size) = 0;
    virtual ~ByteSink() = default;
};

// Size of the file WriteBmp produces. Throws ImageError when the image is too
// large for the format's 32-bit size fields.
std::size_t BmpFileSize(const Bitmap& bitmap);
std::size_t BmpFileSize(const BitmapView& view);

// Writes the headers and colour table in one call, then each row in one call.
// 15-bit images are written as BI_RGB 16 bpp, 16-bit ones as BI_BITFIELDS with
// the 5-6-5 masks; palette images write their whole table. A 0x0 image gives
// just the headers.
void WriteBmp(const Bitmap& bitmap, ByteSink& sink);
// The same straight from pixels held elsewhere (the view's stride must be
// the format's: StrideFor(width, format)).
void WriteBmp(const BitmapView& view, ByteSink& sink);

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);

} // namespace img
