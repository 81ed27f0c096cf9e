// The image as it crosses from the host to a plug-in: one complete Windows BMP
// file in a memory stream, positioned at its start.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "com/ComPtr.h"
#include "imaging/Bitmap.h"
#include "imaging/BmpReader.h"

namespace pixwell {

inline constexpr char kImageStreamWriteError[] = "Unable to write the image stream";
inline constexpr char kImageStreamReadError[] = "Unable to read the image stream";

// A stream over global memory (freed with the stream's last release) holding
// the BMP file of `bitmap`, positioned at 0. Raises fw::Error when memory or
// the stream fail, img::ImageError when the image has no BMP form.
fw::ComPtr<IStream> MakeImageStream(const img::Bitmap& bitmap);
// The same straight from pixels held elsewhere (a DIB section's rows).
fw::ComPtr<IStream> MakeImageStream(const img::BitmapView& bitmap);

// Decodes the BMP file that starts at the stream's current position. Reads no
// more than decoding needs; bad or truncated data raises img::BmpError, a
// failing stream fw::Error.
img::Bitmap ReadImageStream(IStream* stream, const img::BmpReadLimits& limits = {});

// The BMP file at a stream's position as bytes in memory, its headers already
// checked. A stream over global memory is read in place: the block stays
// locked, and the stream alive, while this lives; any other stream is copied.
class ImageStreamBytes {
public:
    // Starts at the "BM" signature; what decoding may use (see Info), which
    // can be less than the headers claim when the stream ends early.
    const std::uint8_t* Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }
    const img::BmpInfo& Info() const noexcept { return info_; }

private:
    friend ImageStreamBytes ReadImageStreamBytes(IStream*, const img::BmpReadLimits&);
    struct Unlock {
        void operator()(void* block) const noexcept { GlobalUnlock(block); }
    };

    fw::ComPtr<IStream> stream_;
    std::unique_ptr<void, Unlock> locked_;
    std::vector<std::uint8_t> copy_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    img::BmpInfo info_;
};

// Takes the BMP file that starts at the stream's current position and leaves
// the stream just after the bytes taken, as reading them would. Raises like
// ReadImageStream for bad headers or a failing stream; the pixel data is
// checked by whoever decodes it.
ImageStreamBytes ReadImageStreamBytes(IStream* stream, const img::BmpReadLimits& limits = {});

} // namespace pixwell
