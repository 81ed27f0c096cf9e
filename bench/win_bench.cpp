// How long the host takes to turn a full 4K screen image into the image
// stream, compared with copying the same number of bytes. Run under Wine with
// scripts/lib/wine-run.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "common/ImageStream.h"
#include "com/ComInit.h"
#include "imaging/BmpWriter.h"

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kRuns = 21;

} // namespace

int main()
{
    fw::ComInit com;
    img::Bitmap image(kWidth, kHeight, img::PixelFormat::pf32bit);
    for (std::size_t i = 0; i < image.SizeBytes(); ++i)
        image.Data()[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    const std::size_t fileSize = img::BmpFileSize(image);

    volatile std::uint8_t sink = 0;
    const double stream = bench::MedianMs(kRuns, [&] {
        fw::ComPtr<IStream> s = pixwell::MakeImageStream(image);
        std::uint8_t first = 0;
        s->Read(&first, 1, nullptr);
        sink = sink + first;
    });

    std::vector<std::uint8_t> warm(fileSize);
    const double copyWarm = bench::MedianMs(kRuns, [&] {
        std::memcpy(warm.data(), image.Data(), image.SizeBytes());
        sink = sink + warm[fileSize / 2];
    });

    // A fresh block each time, as the stream gets: includes touching new pages.
    const double copyFresh = bench::FreshCopyMs(kRuns, image.Data(), image.SizeBytes(), fileSize);

    std::printf("image %dx%d, 32 bits per pixel, BMP file %zu bytes, median of %d runs\n", kWidth,
                kHeight, fileSize, kRuns);
    std::printf("MakeImageStream            %8.2f ms\n", stream);
    std::printf("memcpy into warm buffer    %8.2f ms  (stream / memcpy = %.2f)\n", copyWarm,
                stream / copyWarm);
    std::printf("memcpy into fresh buffer   %8.2f ms  (stream / memcpy = %.2f)\n", copyFresh,
                stream / copyFresh);
    return 0;
}
