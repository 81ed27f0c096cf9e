// Reading Windows BMP files of every common variant into a Bitmap. The data
// may come from anyone (another plug-in, a file), so every size, offset and
// count is checked; bad data raises BmpError ("Invalid bitmap: ..."), never
// reads outside the buffer and never allocates more than the limits allow.
//
// Accepted: BITMAPCOREHEADER and BITMAPINFOHEADER with its V2/V3/V4/V5
// extensions; bottom-up and top-down rows; 1, 2, 4 and 8 bits with a colour
// table (short tables, biClrUsed, RGBTRIPLE tables, and tables longer than
// the depth can index when the pixel offset steps over them); 16 bits (5-5-5,
// or any BI_BITFIELDS masks); 24 bits; 32 bits (BI_RGB or any masks); RLE8
// and RLE4, with runs that go on into a row's padding clipped at the width.
// Result formats: palette depths keep their table (padded with black to the
// format's size; 2-bit images become pf4bit); 5-5-5 gives pf15bit, 5-6-5
// pf16bit, 24 bits pf24bit, 8-8-8 in 32 bits pf32bit; other masks give pf24bit
// (16-bit input) or pf32bit (32-bit input).
#pragma once
#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace img {

struct BmpReadLimits {
    std::uint64_t maxPixels = 256ull * 1024 * 1024;
    std::uint64_t maxDecodedBytes = 1ull << 30; // pixel buffer of the result
};

// What the headers say about a file.
struct BmpInfo {
    std::uint32_t headerSize = 0; // 12, 40, 52, 56, 108 or 124
    int width = 0;
    int height = 0;               // always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
    PixelFormat format = PixelFormat::pf24bit; // what ReadBmp produces
    std::size_t pixelOffset = 0;  // start of the pixel data
    // Bytes from the start of the file that decoding needs, and the size of
    // the whole file: the file header's size field, or pixelOffset plus the
    // image size when that field is 0 or too small. For RLE data without a
    // recorded size the end is unknown: then fileSize is 0 and requiredSize
    // only covers the headers; read to the end of the data. Both come from
    // the sender: a stream reader never reads (or allocates) more than the
    // stream actually holds.
    std::size_t requiredSize = 0;
    std::size_t fileSize = 0;
};

// Bytes needed to learn the length of the headers.
constexpr std::size_t kBmpProbeSize = 18;

// From at least kBmpProbeSize bytes: how many bytes from the start of the file
// ReadBmpInfo needs (file header plus information header).
std::size_t BmpHeadersLength(const std::uint8_t* data, std::size_t size);

// Checks the headers (and the limits) and reports the layout. Needs only the
// first BmpHeadersLength bytes.
BmpInfo ReadBmpInfo(const std::uint8_t* data, std::size_t size, const BmpReadLimits& limits = {});

// Decodes a whole file; `data` starts at the "BM" signature. Bytes after the
// pixel data are ignored.
Bitmap ReadBmp(const std::uint8_t* data, std::size_t size, const BmpReadLimits& limits = {});

} // namespace img
