// Writing an image as a JPEG (JFIF) file through libjpeg: default
// compression parameters, the quality with baseline tables, sequential
// encoding.
#pragma once
#include "imaging/Bitmap.h"
#include "imaging/BmpWriter.h"

#include <cstddef>
#include <cstdint>

namespace stowick {

// The quality of a file whose writer was never sent JPEG options.
inline constexpr int kDefaultJpegQuality = 90;
// libjpeg's input smoothing when the user asks for smoothing: enough to soften
// block edges, little enough to keep text readable.
inline constexpr int kSmoothingFactor = 10;

struct JpegOptions {
    int quality = kDefaultJpegQuality; // 1..100
    bool grayscale = false;            // one grey component instead of colour
    int smoothingFactor = 0;           // libjpeg's 0..100, 0 for none
};

// The options as the plug-in's clients send them: `compression` is the
// quality in per cent as the settings dialog's slider sets it, 0 to 100.
// libjpeg's scale starts at 1 and takes 0 as 1, so 0 is its lowest quality;
// values beyond the range are clamped. A writer never sent any options uses
// JpegOptions{} (kDefaultJpegQuality) instead.
JpegOptions JpegOptionsFrom(bool grayscale, bool smoothing, long compression) noexcept;

// Compresses `bitmap` (any pixel format) and writes the file to `sink`.
// libjpeg's own failures raise img::ImageError with libjpeg's text; an
// exception from the sink is passed on unchanged.
void WriteJpeg(const img::Bitmap& bitmap, const JpegOptions& options, img::ByteSink& sink);

// Pixels libjpeg takes as they are: 3 bytes (blue, green, red) or 4 (the
// fourth ignored) each. Row y starts at first + y * step; a negative step
// walks rows stored bottom-up, as in a BMP file.
struct JpegSourceRows {
    int width = 0;
    int height = 0;
    bool fourBytes = false;
    const std::uint8_t* first = nullptr;
    std::ptrdiff_t step = 0;
};

// As above, from rows in someone else's memory (no copy is made).
void WriteJpeg(const JpegSourceRows& rows, const JpegOptions& options, img::ByteSink& sink);

} // namespace stowick
