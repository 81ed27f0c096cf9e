#include "BmpBuilder.h"
#include "TestImages.h"
#include "imaging/BmpReader.h"
#include "imaging/BmpWriter.h"
#include "imaging/ImageError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

using bmptest::BmpParts;
using bmptest::BuildBmp;
using bmptest::PaddedRows;
using img::Bitmap;
using img::PixelFormat;
using img::Rgb;
namespace bmp = img::bmp;

namespace {

Bitmap Read(const std::vector<std::uint8_t>& file, const img::BmpReadLimits& limits = {})
{
    return img::ReadBmp(file.data(), file.size(), limits);
}

std::vector<std::vector<int>> Indices(const Bitmap& b)
{
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(b.Height()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            rows[static_cast<std::size_t>(y)].push_back(b.GetIndex(x, y));
    return rows;
}

std::vector<std::vector<Rgb>> Colours(const Bitmap& b)
{
    std::vector<std::vector<Rgb>> rows(static_cast<std::size_t>(b.Height()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            rows[static_cast<std::size_t>(y)].push_back(b.GetPixel(x, y));
    return rows;
}

const std::vector<Rgb> kEight{{0, 0, 0},     {10, 0, 0},  {20, 0, 0},  {30, 0, 0},
                              {40, 0, 0},    {50, 0, 0},  {60, 0, 0},  {70, 0, 0}};

} // namespace

TEST(BmpReaderVariants, CoreHeaderWithShortTripletTable)
{
    BmpParts parts;
    parts.headerSize = bmp::kCoreHeaderSize;
    parts.width = 3;
    parts.height = 2;
    parts.bitCount = 8;
    parts.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    parts.pixels = PaddedRows({{2, 1, 0}, {0, 1, 2}}); // bottom row first
    const Bitmap b = Read(BuildBmp(parts));
    ASSERT_EQ(b.Format(), PixelFormat::pf8bit);
    ASSERT_EQ(b.Palette().size(), 256u);
    EXPECT_EQ(b.Palette()[2], (Rgb{0, 0, 255}));
    EXPECT_EQ(b.Palette()[3], (Rgb{}));
    EXPECT_EQ(Indices(b), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 0}}));

    parts.bitCount = 24;
    parts.palette.clear();
    parts.pixels = PaddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    parts.width = 2;
    const Bitmap direct = Read(BuildBmp(parts));
    EXPECT_EQ(direct.Format(), PixelFormat::pf24bit);
    EXPECT_EQ(Colours(direct), (std::vector<std::vector<Rgb>>{{{9, 8, 7}, {12, 11, 10}}, {{3, 2, 1}, {6, 5, 4}}}));
}

TEST(BmpReaderVariants, TopDownRowsAndDirtyPadding)
{
    BmpParts parts;
    parts.headerSize = bmp::kV5HeaderSize;
    parts.width = 2;
    parts.height = -2;
    parts.pixels = PaddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    EXPECT_EQ(Colours(Read(BuildBmp(parts))),
              (std::vector<std::vector<Rgb>>{{{3, 2, 1}, {6, 5, 4}}, {{9, 8, 7}, {12, 11, 10}}}));

    parts = {};
    parts.width = 3;
    parts.height = -1;
    parts.bitCount = 1;
    parts.palette = {{0, 0, 0}, {255, 255, 255}};
    parts.pixels = {0b10111111, 0xAA, 0xBB, 0xCC}; // pixels 1,0,1 then junk bits
    const Bitmap mono = Read(BuildBmp(parts));
    EXPECT_EQ(Indices(mono), (std::vector<std::vector<int>>{{1, 0, 1}}));
    EXPECT_EQ(mono.Row(0)[0], 0b10100000);
    EXPECT_EQ(mono, Read(img::EncodeBmp(mono))); // padding stays clean through a round trip
}

TEST(BmpReaderVariants, TwoBitAndShortColourTables)
{
    BmpParts parts;
    parts.width = 5;
    parts.bitCount = 2;
    parts.palette = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
    parts.pixels = PaddedRows({{0x1B, 0x40}});
    const Bitmap b = Read(BuildBmp(parts));
    ASSERT_EQ(b.Format(), PixelFormat::pf4bit);
    EXPECT_EQ(Indices(b), (std::vector<std::vector<int>>{{0, 1, 2, 3, 1}}));
    EXPECT_EQ(b.Palette()[3], (Rgb{4, 4, 4}));
    EXPECT_EQ(b.Palette()[4], (Rgb{}));

    parts = {};
    parts.width = 2;
    parts.bitCount = 8;
    parts.clrUsed = 2;
    parts.palette = {{9, 9, 9}, {200, 100, 50}};
    parts.pixels = PaddedRows({{1, 0}});
    const Bitmap shortTable = Read(BuildBmp(parts));
    EXPECT_EQ(shortTable.GetPixel(0, 0), (Rgb{200, 100, 50}));
    EXPECT_EQ(shortTable.Palette().size(), 256u);

    parts.offBits = 0; // some writers leave it out: it follows from the table
    EXPECT_EQ(Read(BuildBmp(parts)), shortTable);
}

TEST(BmpReaderVariants, SixteenBitMasks)
{
    BmpParts parts;
    parts.width = 1;
    parts.bitCount = 16;
    parts.pixels = {0x00, 0x7C, 0, 0}; // 0x7C00: red in 5-5-5
    const Bitmap rgb555 = Read(BuildBmp(parts));
    EXPECT_EQ(rgb555.Format(), PixelFormat::pf15bit);
    EXPECT_EQ(rgb555.GetPixel(0, 0), (Rgb{255, 0, 0}));

    parts.headerSize = bmp::kV3HeaderSize;
    parts.compression = bmp::kBiBitfields;
    parts.masks = {0xF800, 0x07E0, 0x001F};
    parts.pixels = {0xE0, 0x07, 0, 0}; // 0x07E0: green in 5-6-5
    const Bitmap rgb565 = Read(BuildBmp(parts));
    EXPECT_EQ(rgb565.Format(), PixelFormat::pf16bit);
    EXPECT_EQ(rgb565.GetPixel(0, 0), (Rgb{0, 255, 0}));

    parts.headerSize = bmp::kInfoHeaderSize; // masks after the header
    parts.masks = {0x0F00, 0x00F0, 0x000F};
    parts.pixels = {0x80, 0x0F, 0, 0};
    const Bitmap rgb444 = Read(BuildBmp(parts));
    EXPECT_EQ(rgb444.Format(), PixelFormat::pf24bit);
    EXPECT_EQ(rgb444.GetPixel(0, 0), (Rgb{255, 136, 0}));
}

TEST(BmpReaderVariants, ThirtyTwoBitMasks)
{
    BmpParts parts;
    parts.headerSize = bmp::kV4HeaderSize;
    parts.width = 2;
    parts.bitCount = 32;
    parts.compression = bmp::kBiBitfields;
    parts.masks = {0x0000FF00, 0x00FF0000, 0xFF000000};
    parts.pixels = {0x00, 0x11, 0x22, 0x33, 0xFF, 0x00, 0x00, 0x80};
    const Bitmap b = Read(BuildBmp(parts));
    EXPECT_EQ(b.Format(), PixelFormat::pf32bit);
    EXPECT_EQ(Colours(b), (std::vector<std::vector<Rgb>>{{{0x11, 0x22, 0x33}, {0x00, 0x00, 0x80}}}));

    parts.masks = {0x00FF0000, 0x0000FF00, 0x000000FF}; // the usual layout is copied as it is
    parts.headerSize = bmp::kV5HeaderSize;
    EXPECT_EQ(Colours(Read(BuildBmp(parts))), (std::vector<std::vector<Rgb>>{{{0x22, 0x11, 0x00}, {0, 0, 0xFF}}}));
}

TEST(BmpReaderVariants, Rle8RunsAbsoluteDeltaAndEscapes)
{
    BmpParts parts;
    parts.width = 5;
    parts.height = 3;
    parts.bitCount = 8;
    parts.compression = bmp::kBiRle8;
    parts.clrUsed = 8;
    parts.palette = kEight;
    parts.pixels = {2, 5, 0, 3, 1, 2, 3, 0, 0, 0, // row 0: run, padded absolute run, end of line
                    0, 2, 2, 1,                   // delta to (2, 2): row 1 stays empty
                    3, 7, 0, 1};                  // run, end of bitmap
    parts.sizeImage = static_cast<std::uint32_t>(parts.pixels.size());
    const Bitmap b = Read(BuildBmp(parts));
    EXPECT_EQ(b.Format(), PixelFormat::pf8bit);
    EXPECT_EQ(Indices(b), (std::vector<std::vector<int>>{{0, 0, 7, 7, 7}, {0, 0, 0, 0, 0}, {5, 5, 1, 2, 3}}));
    EXPECT_EQ(b.Palette()[7], (Rgb{70, 0, 0}));
}

TEST(BmpReaderVariants, Rle4NibblesAndOddAbsoluteRuns)
{
    BmpParts parts;
    parts.width = 6;
    parts.height = 2;
    parts.bitCount = 4;
    parts.compression = bmp::kBiRle4;
    parts.pixels = {3, 0x12, 0, 3, 0x34, 0x50, 0, 0,  // 1,2,1 then 3,4,5; end of line
                    0, 5, 0x67, 0x89, 0xA0, 0,        // 5 pixels in 3 bytes, padded to 4
                    1, 0xB0};                         // no end-of-bitmap: data just ends
    const Bitmap b = Read(BuildBmp(parts));
    EXPECT_EQ(b.Format(), PixelFormat::pf4bit);
    EXPECT_EQ(Indices(b), (std::vector<std::vector<int>>{{6, 7, 8, 9, 10, 11}, {1, 2, 1, 3, 4, 5}}));
}

// Encoders in wide use let a row's last run go on to the row's 4-byte end;
// the pixels past the width are dropped and the result's padding stays clean.
TEST(BmpReaderVariants, RleRunsIntoTheRowPaddingAreClippedAtTheWidth)
{
    BmpParts rle8;
    rle8.width = 5; // rows padded to 8 pixels
    rle8.height = 3;
    rle8.bitCount = 8;
    rle8.compression = bmp::kBiRle8;
    rle8.palette = kEight;
    rle8.pixels = {8, 3, 0, 0,                // row 0: a run to the end of the padding
                   0, 2, 3, 0,                // delta to x 3
                   0, 5, 4, 5, 6, 7, 1, 0,    // an absolute run to the end of the padding
                   0, 0,
                   0, 2, 6, 0, 2, 7, 0, 1};   // row 2: delta into the padding, a run there
    const Bitmap b = Read(BuildBmp(rle8));
    EXPECT_EQ(Indices(b), (std::vector<std::vector<int>>{{0, 0, 0, 0, 0}, {0, 0, 0, 4, 5}, {3, 3, 3, 3, 3}}));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = b.Width(); x < static_cast<int>(b.Stride()); ++x)
            EXPECT_EQ(b.Row(y)[x], 0) << x << ", " << y;

    BmpParts rle4 = rle8;
    rle4.height = 2;
    rle4.bitCount = 4;
    rle4.compression = bmp::kBiRle4;
    rle4.pixels = {8, 0x12, 0, 0,             // rows of 4 bytes hold 8 pixels
                   0, 2, 1, 0, 0, 7, 0x34, 0x56, 0x70, 0};
    const Bitmap nibbles = Read(BuildBmp(rle4));
    EXPECT_EQ(Indices(nibbles), (std::vector<std::vector<int>>{{0, 3, 4, 5, 6}, {1, 2, 1, 2, 1}}));
    EXPECT_EQ(nibbles.Row(0)[2], 0x60); // pixel 5 would be the low nibble
    EXPECT_EQ(nibbles.Row(1)[2], 0x10);
    EXPECT_EQ(nibbles, Read(img::EncodeBmp(nibbles)));

    // One pixel beyond the padding is no encoder's habit: still refused.
    for (const auto& [parts, data, message] :
         {std::tuple{rle8, std::vector<std::uint8_t>{9, 1}, "crosses the end of row 0"},
          std::tuple{rle8, std::vector<std::uint8_t>{0, 2, 9, 0}, "delta moves outside"},
          std::tuple{rle8, std::vector<std::uint8_t>{0, 2, 4, 0, 0, 5, 1, 2, 3, 4, 5, 0}, "crosses the end of row 0"},
          std::tuple{rle4, std::vector<std::uint8_t>{0, 0, 4, 0x12, 5, 0x12}, "crosses the end of row 1"}}) {
        BmpParts spoilt = parts;
        spoilt.pixels = data;
        SCOPED_TRACE(message);
        try {
            Read(BuildBmp(spoilt));
            ADD_FAILURE() << "accepted";
        } catch (const img::BmpError& e) {
            EXPECT_THAT(e.what(), testing::HasSubstr(message));
        }
    }
}

// Some writers store a 256-entry table whatever the depth and say so; with the
// pixel offset past it, the entries the depth can index are used.
TEST(BmpReaderVariants, TableLongerThanTheDepthCanIndex)
{
    BmpParts parts;
    parts.width = 3;
    parts.bitCount = 1;
    parts.clrUsed = 256;
    for (int i = 0; i < 256; ++i)
        parts.palette.push_back({static_cast<std::uint8_t>(i), 7, 9});
    parts.pixels = {0b10100000, 0, 0, 0};
    const Bitmap b = Read(BuildBmp(parts));
    EXPECT_EQ(b.Format(), PixelFormat::pf1bit);
    EXPECT_EQ(b.Palette(), (std::vector<Rgb>{{0, 7, 9}, {1, 7, 9}}));
    EXPECT_EQ(Indices(b), (std::vector<std::vector<int>>{{1, 0, 1}}));

    // Without the offset the table's real length is unknown.
    parts.offBits = 0;
    EXPECT_THROW(Read(BuildBmp(parts)), img::BmpError);
}

TEST(BmpReaderInfo, ReportsHowMuchToRead)
{
    BmpParts parts;
    parts.headerSize = bmp::kV5HeaderSize;
    parts.width = 3;
    parts.height = 2;
    parts.pixels = PaddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}});
    auto file = BuildBmp(parts);
    ASSERT_EQ(img::BmpHeadersLength(file.data(), img::kBmpProbeSize), 14u + 124u);
    img::BmpInfo info = img::ReadBmpInfo(file.data(), 14 + 124);
    EXPECT_EQ(info.fileSize, file.size());
    EXPECT_EQ(info.requiredSize, file.size());
    EXPECT_EQ(info.pixelOffset, 138u);
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.bitCount, 24);

    parts.fileSize = 0; // missing or too small: computed from the layout
    EXPECT_EQ(img::ReadBmpInfo(BuildBmp(parts).data(), 138).fileSize, file.size());
    parts.fileSize = 20;
    EXPECT_EQ(img::ReadBmpInfo(BuildBmp(parts).data(), 138).fileSize, file.size());
    parts.fileSize = static_cast<std::uint32_t>(file.size() + 100); // trailing data counts
    EXPECT_EQ(img::ReadBmpInfo(BuildBmp(parts).data(), 138).fileSize, file.size() + 100);

    BmpParts rle;
    rle.bitCount = 8;
    rle.compression = bmp::kBiRle8;
    rle.pixels = {1, 0, 0, 1};
    rle.fileSize = 0; // and no image size: the end is unknown
    const auto rleFile = BuildBmp(rle);
    EXPECT_EQ(img::ReadBmpInfo(rleFile.data(), rleFile.size()).fileSize, 0u);
}

// Each case spoils a valid file in one way. All must fail with BmpError and a
// message that says what is wrong, and never crash or over-read (the
// sanitizers watch the latter).
TEST(BmpReaderRejects, MalformedFiles)
{
    auto rgb = [] {
        BmpParts p;
        p.width = 3;
        p.height = 2;
        p.pixels = PaddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}});
        return p;
    };
    auto rle8 = [](std::vector<std::uint8_t> data, int width = 4, int height = 2) {
        BmpParts p;
        p.width = width;
        p.height = height;
        p.bitCount = 8;
        p.compression = bmp::kBiRle8;
        p.pixels = std::move(data);
        return p;
    };
    struct Case {
        const char* name;
        std::function<std::vector<std::uint8_t>()> make;
        const char* message;
    };
    const std::vector<Case> cases{
        {"empty", [] { return std::vector<std::uint8_t>{}; }, "too short"},
        {"no signature", [&] { auto f = BuildBmp(rgb()); f[0] = 'X'; return f; }, "\"BM\""},
        {"OS/2 2 header", [&] { auto p = rgb(); p.headerSize = 64; return BuildBmp(p); }, "header size 64"},
        {"header cut", [&] { auto f = BuildBmp(rgb()); f.resize(30); return f; }, "inside the bitmap header"},
        {"zero width", [&] { auto p = rgb(); p.width = 0; return BuildBmp(p); }, "width 0"},
        {"negative width", [&] { auto p = rgb(); p.width = -3; return BuildBmp(p); }, "width -3"},
        {"zero height", [&] { auto p = rgb(); p.height = 0; return BuildBmp(p); }, "height is zero"},
        {"height INT_MIN", [&] { auto p = rgb(); p.height = INT32_MIN; return BuildBmp(p); }, "too large"},
        {"huge dimensions", [&] { auto p = rgb(); p.width = 100000; p.height = 100000; return BuildBmp(p); },
         "exceed the limit"},
        {"huge but allowed dimensions, little data",
         [&] { auto p = rgb(); p.width = 16000; p.height = 16000; return BuildBmp(p); }, "truncated"},
        {"bit count 3", [&] { auto p = rgb(); p.bitCount = 3; return BuildBmp(p); }, "bit count 3"},
        {"RLE8 at 24 bits", [&] { auto p = rgb(); p.compression = bmp::kBiRle8; return BuildBmp(p); }, "RLE8"},
        {"JPEG inside", [&] { auto p = rgb(); p.compression = bmp::kBiJpeg; return BuildBmp(p); }, "JPEG"},
        {"unknown compression", [&] { auto p = rgb(); p.compression = 99; return BuildBmp(p); }, "compression 99"},
        {"colour count > 256",
         [&] { auto p = rle8({0, 1}); p.compression = 0; p.clrUsed = 257; return BuildBmp(p); }, "257 entries"},
        {"colour count > 16 at 4 bits",
         [&] { BmpParts p; p.bitCount = 4; p.clrUsed = 17; p.pixels = {0, 0, 0, 0}; return BuildBmp(p); },
         "17 entries"},
        {"offset into headers", [&] { auto p = rgb(); p.offBits = 20; return BuildBmp(p); }, "into the headers"},
        {"offset past end", [&] { auto p = rgb(); p.offBits = 5000; return BuildBmp(p); }, "beyond the end"},
        {"pixels cut", [&] { auto f = BuildBmp(rgb()); f.pop_back(); return f; }, "truncated"},
        {"mask with a gap",
         [&] {
             BmpParts p; p.headerSize = 56; p.bitCount = 32; p.compression = bmp::kBiBitfields;
             p.masks = {0xF0F00000, 0xFF00, 0xFF}; p.pixels = {0, 0, 0, 0}; return BuildBmp(p);
         },
         "not contiguous"},
        {"mask wider than 16 bits",
         [&] {
             BmpParts p; p.headerSize = 56; p.bitCount = 16; p.compression = bmp::kBiBitfields;
             p.masks = {0xF0000, 0xFF00, 0xFF}; p.pixels = {0, 0, 0, 0}; return BuildBmp(p);
         },
         "16 bits"},
        {"masks all zero",
         [&] {
             BmpParts p; p.headerSize = 56; p.bitCount = 32; p.compression = bmp::kBiBitfields;
             p.pixels = {0, 0, 0, 0}; return BuildBmp(p);
         },
         "all zero"},
        {"RLE run past row end", [&] { return BuildBmp(rle8({5, 1})); }, "crosses the end of row 0"},
        {"RLE absolute past row end", [&] { return BuildBmp(rle8({2, 1, 0, 3, 1, 1, 1, 0})); }, "crosses"},
        {"RLE absolute cut", [&] { return BuildBmp(rle8({0, 4, 1, 1})); }, "inside an absolute run"},
        {"RLE delta outside", [&] { return BuildBmp(rle8({0, 2, 5, 0})); }, "delta moves outside"},
        {"RLE delta cut", [&] { return BuildBmp(rle8({0, 2, 1})); }, "inside a delta"},
        {"RLE past last row", [&] { return BuildBmp(rle8({0, 0, 0, 0, 1, 1}, 4, 2)); }, "past the last row"},
        {"RLE endless lines", [&] { return BuildBmp(rle8({0, 0, 0, 0, 0, 0}, 4, 2)); }, "past the last row"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = c.make();
        try {
            img::ReadBmp(file.data(), file.size());
            ADD_FAILURE() << "accepted";
        } catch (const img::BmpError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("Invalid bitmap: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        }
    }
}

TEST(BmpReaderRejects, EveryTruncationOfAValidFile)
{
    for (PixelFormat format : imgtest::kAllFormats) {
        const auto file = img::EncodeBmp(imgtest::NoiseImage(5, 3, format));
        for (std::size_t size = 0; size < file.size(); ++size)
            ASSERT_THROW(img::ReadBmp(file.data(), size), img::BmpError) << "size " << size;
    }
}

TEST(BmpReaderRejects, ImagesBeyondTheCallersLimits)
{
    const auto file = img::EncodeBmp(imgtest::NoiseImage(100, 50, PixelFormat::pf32bit));
    EXPECT_NO_THROW(Read(file, {5000, 20000}));
    EXPECT_THROW(Read(file, {4999, 1 << 30}), img::BmpError);
    EXPECT_THROW(Read(file, {5000, 19999}), img::BmpError);

    // RLE can describe a huge image in a few bytes: only the limits stop it.
    BmpParts p;
    p.width = 60000;
    p.height = 60000;
    p.bitCount = 8;
    p.compression = bmp::kBiRle8;
    p.pixels = {0, 1};
    const auto rle = BuildBmp(p);
    EXPECT_THROW(Read(rle), img::BmpError);
}
