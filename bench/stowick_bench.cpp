// How long the file-save plug-in's Execute takes for a full 4K screen image:
// as JPEG at quality 90, to compare with libjpeg's own command-line encoder
// on the same pixels, and as BMP, to compare with writing the same bytes
// with one plain file write. Run under Wine with scripts/lib/wine-run; it
// leaves the image as stowick_bench.ppm in the current folder for
//     time cjpeg -quality 90 -outfile stowick_bench_cjpeg.jpg stowick_bench.ppm
// run natively.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "stowick/FileSaveUnit.h"
#include "stowick/JpegWriter.h"
#include "common/ImageStream.h"
#include "com/ComBStr.h"
#include "com/ComError.h"
#include "com/ComInit.h"
#include "imaging/BmpWriter.h"

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kRuns = 9;

// Something like a desktop: flat window areas, gradients, and fine text-like
// detail, which is what a screenshot holds.
img::Bitmap ScreenLikeImage()
{
    img::Bitmap image(kWidth, kHeight, img::PixelFormat::pf32bit);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = image.Row(y);
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = row + 4 * x;
            const bool window = (x / 640 + y / 360) % 2 == 0;
            const bool text = window && (y % 18) < 11 && ((x * 7 + y * 3) % 13) < 4 && (x % 640) > 40;
            if (text) {
                p[0] = p[1] = p[2] = 20;
            } else if (window) {
                p[0] = 240; p[1] = 240; p[2] = 240;
            } else {
                p[0] = static_cast<std::uint8_t>(x * 255 / kWidth);
                p[1] = static_cast<std::uint8_t>(y * 255 / kHeight);
                p[2] = 128;
            }
            p[3] = 0;
        }
    }
    return image;
}

void WritePpm(const img::Bitmap& image, const char* path)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return;
    std::fprintf(f, "P6\n%d %d\n255\n", image.Width(), image.Height());
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.Width()) * 3);
    for (int y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.Row(y);
        for (int x = 0; x < image.Width(); ++x) {
            rgb[3 * x] = row[4 * x + 2];
            rgb[3 * x + 1] = row[4 * x + 1];
            rgb[3 * x + 2] = row[4 * x];
        }
        std::fwrite(rgb.data(), 1, rgb.size(), f);
    }
    std::fclose(f);
}

double ExecuteMs(const img::Bitmap& image, const char* file, TFileType type)
{
    fw::ComPtr<IStowickObject> object;
    fw::OleCheck(stowick::TStowickObject::CreateInstance(IID_IStowickObject, object.PutVoid()));
    HRESULT result = S_OK;
    fw::OleCheck(object->SetFileName(fw::BStr(file).Get(), &result));
    fw::OleCheck(object->SetFileType(type));
    fw::OleCheck(object->SetJPEGOptions(0, 0, 90));
    const auto plugin = object.As<IPixwellPlugin>();
    return bench::MedianOfPartsMs(kRuns, [&] {
        // The host hands a fresh stream to every run; making it is not timed.
        const fw::ComPtr<IStream> stream = pixwell::MakeImageStream(image);
        const double start = bench::NowMs();
        fw::OleCheck(plugin->Execute(stream.Get(), 0, &result));
        return bench::NowMs() - start;
    });
}

long long FileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int main()
{
    fw::ComInit com;
    const img::Bitmap image = ScreenLikeImage();
    WritePpm(image, "stowick_bench.ppm");

    const double jpeg = ExecuteMs(image, "stowick_bench.jpg", ftJPG);
    const double bmp = ExecuteMs(image, "stowick_bench.bmp", ftBMP);

    // The parts of Execute on their own: taking the stream's bytes (in place),
    // decoding them into a bitmap (what other formats need), and encoding.
    const double read = bench::MedianOfPartsMs(kRuns, [&] {
        const fw::ComPtr<IStream> stream = pixwell::MakeImageStream(image);
        const double start = bench::NowMs();
        (void)pixwell::ReadImageStream(stream.Get());
        return bench::NowMs() - start;
    });
    const double take = bench::MedianOfPartsMs(kRuns, [&] {
        const fw::ComPtr<IStream> stream = pixwell::MakeImageStream(image);
        const double start = bench::NowMs();
        (void)pixwell::ReadImageStreamBytes(stream.Get());
        return bench::NowMs() - start;
    });
    struct Discard final : img::ByteSink {
        void Write(const void*, std::size_t) override {}
    } discard;
    const double encode = bench::MedianOfPartsMs(kRuns, [&] {
        const double start = bench::NowMs();
        stowick::WriteJpeg(image, stowick::JpegOptionsFrom(false, false, 90), discard);
        return bench::NowMs() - start;
    });

    const std::vector<std::uint8_t> bytes = img::EncodeBmp(image);
    const double plain = bench::MedianOfPartsMs(kRuns, [&] {
        const double start = bench::NowMs();
        HANDLE file = CreateFileA("stowick_bench_plain.bmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return bench::NowMs() - start;
    });

    std::printf("image %dx%d, 32 bits per pixel, median of %d runs (stream making excluded)\n", kWidth,
                kHeight, kRuns);
    std::printf("Execute, JPEG quality 90     %8.1f ms  (%lld bytes)\n", jpeg, FileSize("stowick_bench.jpg"));
    std::printf("Execute, BMP                 %8.1f ms  (%lld bytes)\n", bmp, FileSize("stowick_bench.bmp"));
    std::printf("one WriteFile of the BMP     %8.1f ms  (Execute BMP / plain = %.2f)\n", plain, bmp / plain);
    std::printf("  parts: taking the stream's bytes %6.1f ms, decoding them too %6.1f ms, JPEG encoding alone %6.1f ms\n",
                take, read, encode);
    std::printf("image left as stowick_bench.ppm for cjpeg\n");
    DeleteFileA("stowick_bench_plain.bmp");
    return 0;
}
