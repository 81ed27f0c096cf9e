// Writing an image as a JPEG (JFIF) file through libjpeg: default
// compression parameters, the quality with baseline tables, sequential
// encoding.
#pragma once
#include "imaging/Bitmap.h"
#include "imaging/BmpWriter.h"

namespace stowick {

// The quality of a file whose writer was never told one.
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
// quality in per cent, 0 when none was chosen (the plug-in object's initial
// value), out-of-range values are clamped.
JpegOptions JpegOptionsFrom(bool grayscale, bool smoothing, long compression) noexcept;

// Compresses `bitmap` (any pixel format) and writes the file to `sink`.
// libjpeg's own failures raise img::ImageError with libjpeg's text; an
// exception from the sink is passed on unchanged.
void WriteJpeg(const img::Bitmap& bitmap, const JpegOptions& options, img::ByteSink& sink);

} // namespace stowick
