// libFuzzer target for the BMP reader: any input must either decode or fail
// with BmpError, and whatever decodes must survive writing and reading back.
#include "imaging/BmpReader.h"
#include "imaging/BmpWriter.h"
#include "imaging/Convert.h"
#include "imaging/ImageError.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Tighter than the defaults so that every run stays fast and small.
constexpr img::BmpReadLimits kLimits{16ull * 1024 * 1024, 64ull * 1024 * 1024};
// Round trips and conversions only for images up to this many pixels.
constexpr std::uint64_t kCheckPixels = 1 << 16;

void CheckRoundTrip(const img::Bitmap& bitmap, std::uint8_t selector)
{
    const auto file = img::EncodeBmp(bitmap);
    if (file.size() != img::BmpFileSize(bitmap))
        std::abort();
    if (!(img::ReadBmp(file.data(), file.size()) == bitmap))
        std::abort();
    const auto format = static_cast<img::PixelFormat>(1 + selector % 7);
    const img::Bitmap converted = img::ConvertTo(bitmap, format);
    if (converted.Width() != bitmap.Width() || converted.Height() != bitmap.Height() || converted.Format() != format)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        if (size >= img::kBmpProbeSize && img::BmpHeadersLength(data, size) <= size)
            (void)img::ReadBmpInfo(data, size, kLimits);
        const img::Bitmap bitmap = img::ReadBmp(data, size, kLimits);
        if (static_cast<std::uint64_t>(bitmap.Width()) * static_cast<std::uint64_t>(bitmap.Height()) <= kCheckPixels)
            CheckRoundTrip(bitmap, size ? data[size - 1] : 0);
    } catch (const img::BmpError&) {
        // Rejected input: the expected outcome for most mutations.
    }
    return 0;
}
