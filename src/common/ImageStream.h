// The image as it crosses from the host to a plug-in: one complete Windows BMP
// file in a memory stream, positioned at its start.
#pragma once
#include <windows.h>
#include <objidl.h>

#include "framework/ComPtr.h"
#include "imaging/Bitmap.h"
#include "imaging/BmpReader.h"

namespace pixwell {

inline constexpr char kImageStreamWriteError[] = "Unable to write the image stream";
inline constexpr char kImageStreamReadError[] = "Unable to read the image stream";

// A stream over global memory (freed with the stream's last release) holding
// the BMP file of `bitmap`, positioned at 0. Raises fw::Error when memory or
// the stream fail, img::ImageError when the image has no BMP form.
fw::ComPtr<IStream> MakeImageStream(const img::Bitmap& bitmap);

// Decodes the BMP file that starts at the stream's current position. Reads no
// more than decoding needs; bad or truncated data raises img::BmpError, a
// failing stream fw::Error.
img::Bitmap ReadImageStream(IStream* stream, const img::BmpReadLimits& limits = {});

} // namespace pixwell
