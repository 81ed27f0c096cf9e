#include "TestImages.h"
#include "imaging/BmpFormat.h"
#include "imaging/BmpReader.h"
#include "imaging/BmpWriter.h"
#include "imaging/ByteOrder.h"

#include <gtest/gtest.h>

using img::Bitmap;
using img::PixelFormat;
using img::detail::GetI32;
using img::detail::GetU16;
using img::detail::GetU32;

namespace {

struct RecordingSink : img::ByteSink {
    void Write(const void* data, std::size_t size) override
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        calls.push_back(size);
    }
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> calls;
};

} // namespace

TEST(BmpWriter, HeaderFieldsDescribeTheImage)
{
    for (PixelFormat format : imgtest::kAllFormats) {
        SCOPED_TRACE(img::BitsPerPixel(format));
        const Bitmap bitmap = imgtest::NoiseImage(7, 3, format);
        const auto file = img::EncodeBmp(bitmap);
        const std::uint8_t* info = file.data() + 14;
        const bool bitfields = format == PixelFormat::pf16bit;
        const std::size_t tableBytes = bitmap.Palette().size() * 4 + (bitfields ? 12 : 0);

        ASSERT_EQ(file.size(), img::BmpFileSize(bitmap));
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(GetU32(file.data() + 2), file.size());
        EXPECT_EQ(GetU32(file.data() + 6), 0u);
        EXPECT_EQ(GetU32(file.data() + 10), 54 + tableBytes);
        EXPECT_EQ(GetU32(info), 40u);
        EXPECT_EQ(GetI32(info + 4), 7);
        EXPECT_EQ(GetI32(info + 8), 3);
        EXPECT_EQ(GetU16(info + 12), 1);
        EXPECT_EQ(GetU16(info + 14), img::BitsPerPixel(format));
        EXPECT_EQ(GetU32(info + 16), bitfields ? img::bmp::kBiBitfields : img::bmp::kBiRgb);
        EXPECT_EQ(GetU32(info + 20), bitmap.Stride() * 3);
        EXPECT_EQ(GetI32(info + 24), 3780);
        EXPECT_EQ(GetI32(info + 28), 3780);
        EXPECT_EQ(GetU32(info + 32), static_cast<std::uint32_t>(img::PaletteSize(format)));
        EXPECT_EQ(file.size(), 54 + tableBytes + bitmap.Stride() * 3);
        if (bitfields) {
            EXPECT_EQ(GetU32(info + 40), 0xF800u);
            EXPECT_EQ(GetU32(info + 44), 0x07E0u);
            EXPECT_EQ(GetU32(info + 48), 0x001Fu);
        }
        for (std::size_t i = 0; i < bitmap.Palette().size(); ++i) {
            const std::uint8_t* q = info + 40 + 4 * i;
            ASSERT_EQ(img::Rgb({q[2], q[1], q[0]}), bitmap.Palette()[i]);
            ASSERT_EQ(q[3], 0);
        }
    }
}

TEST(BmpWriter, RowsGoBottomUpWithCleanPadding)
{
    Bitmap bitmap(3, 2, PixelFormat::pf24bit);
    bitmap.SetPixel(0, 0, {1, 2, 3}); // top row
    bitmap.SetPixel(0, 1, {4, 5, 6}); // bottom row
    bitmap.Row(0)[9] = 0xEE;          // stray bytes in the padding
    bitmap.Row(1)[11] = 0xEE;
    const auto file = img::EncodeBmp(bitmap);
    const std::vector<std::uint8_t> expected{6, 5, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()), expected);

    Bitmap mono(3, 1, PixelFormat::pf1bit);
    mono.SetIndex(0, 0, 1);
    mono.Row(0)[0] |= 0x1F; // bits past the third pixel
    const auto monoFile = img::EncodeBmp(mono);
    EXPECT_EQ(monoFile[62], 0x80);
}

TEST(BmpWriter, WritesHeadersOnceThenOneCallPerRow)
{
    const Bitmap bitmap = imgtest::NoiseImage(5, 4, PixelFormat::pf8bit);
    RecordingSink sink;
    img::WriteBmp(bitmap, sink);
    ASSERT_EQ(sink.calls.size(), 5u);
    EXPECT_EQ(sink.calls[0], 54u + 1024u);
    for (std::size_t i = 1; i < sink.calls.size(); ++i)
        EXPECT_EQ(sink.calls[i], bitmap.Stride());
    EXPECT_EQ(sink.bytes, img::EncodeBmp(bitmap));
}

TEST(BmpWriter, EmptyImageGivesHeadersOnly)
{
    const auto file = img::EncodeBmp(Bitmap(0, 0, PixelFormat::pf32bit));
    ASSERT_EQ(file.size(), 54u);
    EXPECT_EQ(GetU32(file.data() + 2), 54u);
    EXPECT_EQ(GetU32(file.data() + 34), 0u);
}

// Everything written must read back as the same image: format, palette,
// size and every pixel byte, for widths that need each kind of padding.
TEST(BmpRoundTrip, AllFormatsAndOddWidths)
{
    for (PixelFormat format : imgtest::kAllFormats) {
        for (int width : {1, 2, 3, 5, 7, 8, 9, 33}) {
            for (int height : {1, 4}) {
                SCOPED_TRACE(testing::Message() << "bpp " << img::BitsPerPixel(format) << " " << width << "x"
                                                << height);
                const Bitmap original = imgtest::NoiseImage(width, height, format, static_cast<std::uint32_t>(width));
                const auto file = img::EncodeBmp(original);
                const Bitmap copy = img::ReadBmp(file.data(), file.size());
                ASSERT_EQ(copy, original);
                const img::BmpInfo info = img::ReadBmpInfo(file.data(), 54);
                EXPECT_EQ(info.fileSize, file.size());
                EXPECT_EQ(info.requiredSize, file.size());
            }
        }
    }
}
