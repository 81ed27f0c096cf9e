// Prints timings of the image core on a 3840x2160 32-bit image, the size of a
// 4K screen capture: BMP writing against a plain memcpy of the same bytes,
// reading it back, and conversion to every other pixel format.
#include "imaging/BmpReader.h"
#include "imaging/BmpWriter.h"
#include "imaging/Convert.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kRepeats = 10;

using Clock = std::chrono::steady_clock;

// Something like a desktop: flat panels, gradients, and a noisy photo area.
img::Bitmap MakeScreen()
{
    img::Bitmap b(kWidth, kHeight, img::PixelFormat::pf32bit);
    std::uint32_t state = 12345;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = b.Row(y);
        for (int x = 0; x < kWidth; ++x, row += 4) {
            if (y < 60 || x < 300) {
                row[0] = 240, row[1] = 240, row[2] = 240;
            } else if (x < 2000) {
                row[0] = static_cast<std::uint8_t>(x / 8), row[1] = static_cast<std::uint8_t>(y / 9),
                row[2] = static_cast<std::uint8_t>((x + y) / 24);
            } else {
                state = state * 1664525u + 1013904223u;
                row[0] = static_cast<std::uint8_t>(state >> 24), row[1] = static_cast<std::uint8_t>(state >> 16),
                row[2] = static_cast<std::uint8_t>(state >> 8);
            }
        }
    }
    return b;
}

class MemorySink : public img::ByteSink {
public:
    explicit MemorySink(std::size_t capacity) : buffer_(capacity, 1) {}
    void Write(const void* data, std::size_t size) override
    {
        std::memcpy(buffer_.data() + used_, data, size);
        used_ += size;
    }
    void Rewind() { used_ = 0; }
    const std::vector<std::uint8_t>& Buffer() const { return buffer_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
};

// Best of kRepeats runs, in milliseconds.
template <typename F>
double BestMs(F&& f)
{
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = Clock::now();
        f();
        const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

volatile std::uint8_t g_sink; // keeps results observable

} // namespace

int main()
{
    const img::Bitmap screen = MakeScreen();
    const std::size_t fileSize = img::BmpFileSize(screen);
    std::printf("image %d x %d, 32 bits, BMP file %.1f MB\n", kWidth, kHeight, fileSize / 1e6);

    MemorySink sink(fileSize);
    std::vector<std::uint8_t> copy(fileSize, 1);
    const double copyMs = BestMs([&] {
        std::memcpy(copy.data(), screen.Data(), screen.SizeBytes());
        g_sink = copy[fileSize / 2];
    });
    const double writeMs = BestMs([&] {
        sink.Rewind();
        img::WriteBmp(screen, sink);
        g_sink = sink.Buffer()[fileSize / 2];
    });
    const double encodeMs = BestMs([&] { g_sink = img::EncodeBmp(screen)[fileSize / 2]; });
    std::printf("memcpy of the pixels       %8.2f ms\n", copyMs);
    std::printf("WriteBmp into memory       %8.2f ms  (%.2fx memcpy, target <= 2x)\n", writeMs, writeMs / copyMs);
    std::printf("EncodeBmp (allocating)     %8.2f ms  (%.2fx memcpy)\n", encodeMs, encodeMs / copyMs);

    const std::vector<std::uint8_t> file = img::EncodeBmp(screen);
    const double readMs = BestMs([&] { g_sink = img::ReadBmp(file.data(), file.size()).Data()[7]; });
    std::printf("ReadBmp                    %8.2f ms\n", readMs);

    const struct {
        img::PixelFormat format;
        const char* name;
    } targets[] = {
        {img::PixelFormat::pf8bit, "8 bit"},   {img::PixelFormat::pf1bit, "1 bit"},
        {img::PixelFormat::pf4bit, "4 bit"},   {img::PixelFormat::pf15bit, "15 bit"},
        {img::PixelFormat::pf16bit, "16 bit"}, {img::PixelFormat::pf24bit, "24 bit"},
    };
    for (const auto& t : targets) {
        const auto start = Clock::now();
        g_sink = img::ConvertTo(screen, t.format).Data()[3];
        const std::chrono::duration<double, std::milli> first = Clock::now() - start;
        const double ms = BestMs([&] { g_sink = img::ConvertTo(screen, t.format).Data()[3]; });
        std::printf("ConvertTo %-7s           %8.2f ms  (first call %.2f ms%s)%s\n", t.name, ms, first.count(),
                    img::HasPalette(t.format) ? ", builds the lookup table" : "",
                    t.format == img::PixelFormat::pf8bit ? "  target < 100 ms" : "");
    }
    const img::Bitmap eight = img::ConvertTo(screen, img::PixelFormat::pf8bit);
    const double backMs = BestMs([&] { g_sink = img::ConvertTo(eight, img::PixelFormat::pf32bit).Data()[3]; });
    std::printf("ConvertTo 32 bit from 8 bit %7.2f ms\n", backMs);
    return 0;
}
