#include "TestImages.h"
#include "imaging/BmpFormat.h"
#include "imaging/BmpWriter.h"
#include "imaging/ByteOrder.h"
#include "imaging/Convert.h"
#include "imaging/ImageError.h"
#include "imaging/Palettes.h"

#include <gtest/gtest.h>

#include <set>

using img::Bitmap;
using img::ConvertTo;
using img::PixelFormat;
using img::Rgb;

namespace {

std::set<std::uint32_t> ColourSet(const Bitmap& b)
{
    std::set<std::uint32_t> colours;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const Rgb c = b.GetPixel(x, y);
            colours.insert(static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b));
        }
    return colours;
}

// Rows must leave a conversion with zero bits after the last pixel.
bool PaddingIsZero(const Bitmap& b)
{
    const std::size_t usedBits = static_cast<std::size_t>(b.Width()) * img::BitsPerPixel(b.Format());
    for (int y = 0; y < b.Height(); ++y) {
        const std::uint8_t* row = b.Row(y);
        for (std::size_t bit = usedBits; bit < b.Stride() * 8; ++bit)
            if (row[bit / 8] & (0x80 >> (bit % 8)))
                return false;
    }
    return true;
}

void ExpectSameColours(const Bitmap& a, const Bitmap& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y)) << x << "," << y;
}

} // namespace

TEST(Convert, EveryPairKeepsSizeAndGivesTheTargetFormat)
{
    for (PixelFormat from : imgtest::kAllFormats)
        for (PixelFormat to : imgtest::kAllFormats)
            for (int width : {0, 1, 3, 7, 9}) {
                SCOPED_TRACE(testing::Message() << static_cast<int>(from) << "->" << static_cast<int>(to) << " w"
                                                << width);
                const Bitmap source = imgtest::NoiseImage(width, 3, from);
                const Bitmap target = ConvertTo(source, to);
                ASSERT_EQ(target.Format(), to);
                ASSERT_EQ(target.Width(), width);
                ASSERT_EQ(target.Height(), 3);
                ASSERT_EQ(target.Palette().size(), static_cast<std::size_t>(img::PaletteSize(to)));
                if (from == to)
                    ASSERT_EQ(target, source);
                ASSERT_TRUE(PaddingIsZero(target));
            }
}

TEST(Convert, OneBitIsBlackAndWhite)
{
    for (PixelFormat from : imgtest::kAllFormats) {
        if (from == PixelFormat::pf1bit)
            continue; // an identical copy, own palette included
        const Bitmap mono = ConvertTo(imgtest::NoiseImage(16, 16, from), PixelFormat::pf1bit);
        EXPECT_EQ(mono.Palette(), (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));
    }
    Bitmap b(3, 1, PixelFormat::pf24bit);
    b.SetPixel(0, 0, {30, 40, 20});
    b.SetPixel(1, 0, {230, 220, 240});
    b.SetPixel(2, 0, {255, 255, 255});
    const Bitmap mono = ConvertTo(b, PixelFormat::pf1bit);
    EXPECT_EQ(mono.GetIndex(0, 0), 0);
    EXPECT_EQ(mono.GetIndex(1, 0), 1);
    EXPECT_EQ(mono.GetIndex(2, 0), 1);

    // Back to 24 bits it stays black and white.
    const Bitmap wide = ConvertTo(mono, PixelFormat::pf24bit);
    EXPECT_EQ(ColourSet(wide), (std::set<std::uint32_t>{0x000000, 0xFFFFFF}));
    ExpectSameColours(wide, mono);
}

TEST(Convert, MoreBitsKeepTheColours)
{
    const std::vector<PixelFormat> chain{PixelFormat::pf1bit, PixelFormat::pf4bit, PixelFormat::pf8bit,
                                         PixelFormat::pf24bit, PixelFormat::pf32bit};
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const Bitmap source = imgtest::NoiseImage(9, 5, chain[i], 7);
        for (std::size_t j = i + 1; j < chain.size(); ++j) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(chain[i]) << "->" << static_cast<int>(chain[j]));
            ExpectSameColours(ConvertTo(source, chain[j]), source);
        }
    }
    for (PixelFormat from : {PixelFormat::pf15bit, PixelFormat::pf16bit}) {
        const Bitmap source = imgtest::NoiseImage(9, 5, from, 3);
        ExpectSameColours(ConvertTo(source, PixelFormat::pf24bit), source);
        ExpectSameColours(ConvertTo(source, PixelFormat::pf32bit), source);
        // Through 24 bits and back the 16-bit words come out unchanged.
        EXPECT_EQ(ConvertTo(ConvertTo(source, PixelFormat::pf24bit), from), source);
    }
}

TEST(Convert, PaletteGoingToLargerPaletteKeepsIt)
{
    const Bitmap source = imgtest::NoiseImage(5, 2, PixelFormat::pf4bit);
    const Bitmap target = ConvertTo(source, PixelFormat::pf8bit);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(target.Palette()[i], source.Palette()[i]);
    EXPECT_EQ(target.Palette()[16], (Rgb{}));
    EXPECT_EQ(target.GetIndex(3, 1), source.GetIndex(3, 1));
}

TEST(Convert, FewerBitsUseTheFixedPalettes)
{
    Bitmap b(4, 1, PixelFormat::pf8bit);
    b.SetPalette(std::vector<Rgb>{{250, 5, 5}, {0, 0, 120}, {190, 195, 190}, {10, 10, 10}});
    for (int x = 0; x < 4; ++x)
        b.SetIndex(x, 0, x);
    const Bitmap vga = ConvertTo(b, PixelFormat::pf4bit);
    const auto fixed = img::FixedPalette(PixelFormat::pf4bit);
    EXPECT_EQ(vga.Palette(), std::vector<Rgb>(fixed.begin(), fixed.end()));
    EXPECT_EQ(vga.GetPixel(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(vga.GetPixel(1, 0), (Rgb{0, 0, 128}));
    EXPECT_EQ(vga.GetPixel(2, 0), (Rgb{192, 192, 192}));
    EXPECT_EQ(vga.GetPixel(3, 0), (Rgb{0, 0, 0}));

    const Bitmap direct = imgtest::NoiseImage(32, 8, PixelFormat::pf24bit);
    const Bitmap to16 = ConvertTo(direct, PixelFormat::pf16bit);
    const Bitmap to15 = ConvertTo(direct, PixelFormat::pf15bit);
    for (int x = 0; x < 32; ++x) {
        const Rgb c = direct.GetPixel(x, 5);
        EXPECT_EQ(to16.GetPixel(x, 5), img::Unpack565(img::Pack565(c)));
        EXPECT_EQ(to15.GetPixel(x, 5), img::Unpack555(img::Pack555(c)));
    }
}

TEST(Convert, EightBitHasAFullTableAndMatchesByLookup)
{
    const Bitmap eight = ConvertTo(imgtest::NoiseImage(40, 30, PixelFormat::pf32bit), PixelFormat::pf8bit);
    const auto file = img::EncodeBmp(eight);
    EXPECT_EQ(img::detail::GetU32(file.data() + 14 + 32), 256u);
    EXPECT_EQ(img::detail::GetU32(file.data() + 10), 14u + 40u + 1024u);

    // Each pixel gets an entry close to its colour: no channel more than a
    // cube step away.
    const Bitmap source = imgtest::NoiseImage(40, 30, PixelFormat::pf32bit);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const Rgb a = source.GetPixel(x, y), b = eight.GetPixel(x, y);
            ASSERT_LE(std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b), 3 * 34) << x << "," << y;
        }
}

TEST(Convert, FixedPaletteColoursSurviveEightBits)
{
    // Screenshots are mostly made of such colours (window chrome, text), so
    // they must come through the lookup table unchanged.
    const auto halftone = img::FixedPalette(PixelFormat::pf8bit);
    ASSERT_EQ(halftone.size(), 256u);
    ASSERT_EQ(std::set<std::uint32_t>(ColourSet([&] {
                  Bitmap all(256, 1, PixelFormat::pf8bit);
                  for (int i = 0; i < 256; ++i)
                      all.SetIndex(i, 0, i);
                  return all;
              }())).size(),
              256u); // no duplicate entries
    Bitmap cube(224, 1, PixelFormat::pf24bit);
    for (int i = 0; i < 224; ++i)
        cube.SetPixel(i, 0, halftone[static_cast<std::size_t>(i)]);
    ExpectSameColours(ConvertTo(cube, PixelFormat::pf8bit), cube);

    Bitmap vga(16, 1, PixelFormat::pf32bit);
    for (int i = 0; i < 16; ++i)
        vga.SetPixel(i, 0, img::FixedPalette(PixelFormat::pf4bit)[static_cast<std::size_t>(i)]);
    ExpectSameColours(ConvertTo(vga, PixelFormat::pf4bit), vga);
}

TEST(Convert, RejectsUnknownFormat)
{
    EXPECT_THROW(ConvertTo(Bitmap(1, 1, PixelFormat::pf24bit), static_cast<PixelFormat>(8)), img::ImageError);
}
