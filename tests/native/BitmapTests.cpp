#include "TestImages.h"
#include "imaging/Bitmap.h"
#include "imaging/ImageError.h"
#include "imaging/Palettes.h"

#include <gtest/gtest.h>

#include <climits>

using img::Bitmap;
using img::PixelFormat;
using img::Rgb;

TEST(Bitmap, RowsAreDwordAlignedAndContiguousTopDown)
{
    for (PixelFormat format : imgtest::kAllFormats) {
        const int bpp = img::BitsPerPixel(format);
        for (int width = 0; width <= 33; ++width) {
            const Bitmap bitmap(width, 3, format);
            const std::size_t expected = static_cast<std::size_t>((width * bpp + 31) / 32 * 4);
            ASSERT_EQ(bitmap.Stride(), expected) << "bpp " << bpp << " width " << width;
            ASSERT_EQ(bitmap.SizeBytes(), expected * 3);
            if (width > 0) {
                EXPECT_EQ(bitmap.Row(0), bitmap.Data());
                EXPECT_EQ(bitmap.Row(2), bitmap.Data() + 2 * expected);
            }
        }
    }
}

// The Windows side copies these bytes straight into a DIB section, so the
// byte layout of every format must be exactly the DIB one.
TEST(Bitmap, PixelBytesMatchDibLayout)
{
    const Rgb colour{0x12, 0x34, 0x56};
    auto firstBytes = [&](PixelFormat format, int x) {
        Bitmap b(8, 1, format);
        b.SetPixel(x, 0, colour);
        return std::vector<std::uint8_t>(b.Row(0), b.Row(0) + b.Stride());
    };
    auto slice = [](const std::vector<std::uint8_t>& v, std::size_t from, std::size_t n) {
        return std::vector<std::uint8_t>(v.begin() + static_cast<std::ptrdiff_t>(from),
                                         v.begin() + static_cast<std::ptrdiff_t>(from + n));
    };
    EXPECT_EQ(slice(firstBytes(PixelFormat::pf32bit, 1), 0, 8),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0x56, 0x34, 0x12, 0}));
    EXPECT_EQ(slice(firstBytes(PixelFormat::pf24bit, 1), 0, 6),
              (std::vector<std::uint8_t>{0, 0, 0, 0x56, 0x34, 0x12}));
    const std::uint16_t w565 = ((0x12 >> 3) << 11) | ((0x34 >> 2) << 5) | (0x56 >> 3);
    const auto b16 = firstBytes(PixelFormat::pf16bit, 0);
    EXPECT_EQ(b16[0], w565 & 0xFF);
    EXPECT_EQ(b16[1], w565 >> 8);
    const std::uint16_t w555 = ((0x12 >> 3) << 10) | ((0x34 >> 3) << 5) | (0x56 >> 3);
    const auto b15 = firstBytes(PixelFormat::pf15bit, 0);
    EXPECT_EQ(b15[0], w555 & 0xFF);
    EXPECT_EQ(b15[1], w555 >> 8);

    Bitmap mono(10, 1, PixelFormat::pf1bit);
    mono.SetIndex(0, 0, 1);
    mono.SetIndex(9, 0, 1);
    EXPECT_EQ(mono.Row(0)[0], 0x80);
    EXPECT_EQ(mono.Row(0)[1], 0x40);
    Bitmap vga(3, 1, PixelFormat::pf4bit);
    vga.SetIndex(0, 0, 0xA);
    vga.SetIndex(1, 0, 0x5);
    vga.SetIndex(2, 0, 0xF);
    EXPECT_EQ(vga.Row(0)[0], 0xA5);
    EXPECT_EQ(vga.Row(0)[1], 0xF0);
    EXPECT_EQ(vga.GetIndex(1, 0), 5);
}

TEST(Bitmap, ChannelsWidenToFullRange)
{
    Bitmap b(2, 1, PixelFormat::pf16bit);
    b.SetPixel(0, 0, {255, 255, 255});
    b.SetPixel(1, 0, {8, 4, 8}); // lowest non-zero level of each channel
    EXPECT_EQ(b.GetPixel(0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(b.GetPixel(1, 0), (Rgb{img::Expand5(1), img::Expand6(1), img::Expand5(1)}));
    EXPECT_EQ(img::Expand5(1), 8);
    EXPECT_EQ(img::Expand6(1), 4);
}

TEST(Bitmap, NewPaletteImagesCarryTheFixedPalette)
{
    for (PixelFormat format : imgtest::kAllFormats) {
        const Bitmap b(2, 2, format);
        const auto fixed = img::FixedPalette(format);
        EXPECT_EQ(b.Palette(), std::vector<Rgb>(fixed.begin(), fixed.end()));
        EXPECT_EQ(b.Palette().size(), static_cast<std::size_t>(img::PaletteSize(format)));
    }
}

TEST(Bitmap, SetPalettePadsWithBlackAndRejectsMisuse)
{
    Bitmap b(1, 1, PixelFormat::pf4bit);
    const std::vector<Rgb> three{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    b.SetPalette(three);
    ASSERT_EQ(b.Palette().size(), 16u);
    EXPECT_EQ(b.Palette()[2], (Rgb{7, 8, 9}));
    EXPECT_EQ(b.Palette()[15], (Rgb{}));
    EXPECT_THROW(b.SetPalette(std::vector<Rgb>(17)), img::ImageError);
    Bitmap direct(1, 1, PixelFormat::pf24bit);
    EXPECT_THROW(direct.SetPalette(three), img::ImageError);
    EXPECT_THROW(direct.GetIndex(0, 0), img::ImageError);
}

TEST(Bitmap, SetPixelOnPaletteImageStoresNearestEntry)
{
    Bitmap b(1, 1, PixelFormat::pf8bit);
    b.SetPalette(std::vector<Rgb>{{0, 0, 0}, {200, 10, 10}, {10, 200, 10}});
    b.SetPixel(0, 0, {180, 40, 0});
    EXPECT_EQ(b.GetIndex(0, 0), 1);
}

TEST(Bitmap, RejectsBadDimensionsAndCoordinates)
{
    EXPECT_THROW(Bitmap(-1, 1, PixelFormat::pf24bit), img::ImageError);
    EXPECT_THROW(Bitmap(1, -1, PixelFormat::pf24bit), img::ImageError);
    EXPECT_THROW(Bitmap(INT_MAX, INT_MAX, PixelFormat::pf32bit), img::ImageError);
    EXPECT_THROW(Bitmap(1, 1, static_cast<PixelFormat>(0)), img::ImageError);
    EXPECT_THROW(Bitmap::SizeFor(INT_MAX, INT_MAX, PixelFormat::pf32bit), img::ImageError);

    Bitmap b(3, 2, PixelFormat::pf24bit);
    EXPECT_THROW(b.GetPixel(3, 0), img::ImageError);
    EXPECT_THROW(b.SetPixel(0, 2, {}), img::ImageError);
    EXPECT_THROW(b.GetPixel(-1, 0), img::ImageError);
    Bitmap p(3, 2, PixelFormat::pf4bit);
    EXPECT_THROW(p.SetIndex(0, 0, 16), img::ImageError);

    const Bitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.SizeBytes(), 0u);
}

TEST(Bitmap, CopiesAreIndependentAndMovesTransferPixels)
{
    Bitmap a = imgtest::NoiseImage(5, 4, PixelFormat::pf24bit);
    Bitmap copy = a;
    ASSERT_EQ(copy, a);
    copy.SetPixel(0, 0, {1, 2, 3});
    EXPECT_NE(copy, a);
    const std::uint8_t* pixels = a.Data();
    Bitmap moved = std::move(a);
    EXPECT_EQ(moved.Data(), pixels);
    EXPECT_EQ(moved.Width(), 5);
}
