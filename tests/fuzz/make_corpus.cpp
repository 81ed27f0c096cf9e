// Writes the fuzzer's seed corpus: one small file per BMP variant the reader
// accepts. Run as `bmp_corpus_gen <folder>` after changing the variants.
#include "BmpBuilder.h"
#include "TestImages.h"
#include "imaging/BmpWriter.h"

#include <cstdio>
#include <fstream>
#include <string>

using bmptest::BmpParts;
using bmptest::BuildBmp;
using bmptest::PaddedRows;
namespace bmp = img::bmp;

namespace {

void Save(const std::string& folder, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(folder + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + name);
}

std::vector<img::Rgb> Ramp(int n)
{
    std::vector<img::Rgb> palette;
    for (int i = 0; i < n; ++i)
        palette.push_back({static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 11),
                           static_cast<std::uint8_t>(255 - i * 5)});
    return palette;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        // What our own writer produces, in every format, with odd widths.
        const char* const depthNames[] = {"1", "4", "8", "15", "16", "24", "32"};
        for (img::PixelFormat format : imgtest::kAllFormats)
            Save(dir, std::string("written_") + depthNames[static_cast<int>(format) - 1] + ".bmp",
                 img::EncodeBmp(imgtest::NoiseImage(5, 3, format, 11)));

        BmpParts p;
        p.headerSize = bmp::kCoreHeaderSize;
        p.width = 3;
        p.height = 2;
        p.bitCount = 8;
        p.palette = Ramp(3);
        p.pixels = PaddedRows({{2, 1, 0}, {0, 1, 2}});
        Save(dir, "core_8.bmp", BuildBmp(p));

        p.bitCount = 24;
        p.palette.clear();
        p.pixels = PaddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1}});
        Save(dir, "core_24.bmp", BuildBmp(p));

        p = {};
        p.headerSize = bmp::kV5HeaderSize;
        p.width = 2;
        p.height = -2;
        p.pixels = PaddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
        Save(dir, "v5_topdown_24.bmp", BuildBmp(p));

        p = {};
        p.headerSize = bmp::kV4HeaderSize;
        p.width = 2;
        p.height = 2;
        p.bitCount = 32;
        p.compression = bmp::kBiBitfields;
        p.masks = {0x0000FF00, 0x00FF0000, 0xFF000000};
        p.pixels = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        Save(dir, "v4_bitfields_32.bmp", BuildBmp(p));

        p = {};
        p.headerSize = bmp::kV3HeaderSize;
        p.width = 3;
        p.height = 1;
        p.bitCount = 16;
        p.compression = bmp::kBiBitfields;
        p.masks = {0xF800, 0x07E0, 0x001F};
        p.pixels = PaddedRows({{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00}});
        Save(dir, "v3_bitfields_565.bmp", BuildBmp(p));

        p.headerSize = bmp::kInfoHeaderSize;
        p.masks = {0x0F00, 0x00F0, 0x000F};
        Save(dir, "info_bitfields_444.bmp", BuildBmp(p));

        p = {};
        p.width = 5;
        p.height = -2;
        p.bitCount = 2;
        p.palette = Ramp(4);
        p.pixels = PaddedRows({{0x1B, 0x40}, {0xE4, 0x80}});
        Save(dir, "topdown_2.bmp", BuildBmp(p));

        p = {};
        p.width = 5;
        p.height = 3;
        p.bitCount = 8;
        p.compression = bmp::kBiRle8;
        p.clrUsed = 8;
        p.palette = Ramp(8);
        p.pixels = {2, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 3, 7, 0, 1};
        p.sizeImage = static_cast<std::uint32_t>(p.pixels.size());
        Save(dir, "rle8.bmp", BuildBmp(p));

        p.width = 6;
        p.height = 2;
        p.bitCount = 4;
        p.compression = bmp::kBiRle4;
        p.clrUsed = 12;
        p.palette = Ramp(12);
        p.pixels = {3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0, 1, 0xB0, 0, 1};
        p.sizeImage = static_cast<std::uint32_t>(p.pixels.size());
        Save(dir, "rle4.bmp", BuildBmp(p));

        // Runs and deltas that go on into a row's padding.
        p.width = 5;
        p.pixels = {8, 0x12, 0, 0, 0, 2, 1, 0, 0, 7, 0x34, 0x56, 0x70, 0, 0, 1};
        p.sizeImage = static_cast<std::uint32_t>(p.pixels.size());
        Save(dir, "rle4_padding.bmp", BuildBmp(p));

        p.bitCount = 8;
        p.compression = bmp::kBiRle8;
        p.pixels = {8, 3, 0, 0, 0, 2, 3, 0, 0, 5, 4, 5, 6, 7, 1, 0, 0, 1};
        p.sizeImage = static_cast<std::uint32_t>(p.pixels.size());
        Save(dir, "rle8_padding.bmp", BuildBmp(p));

        // A full 256-entry table in front of 1-bit pixels.
        p = {};
        p.width = 3;
        p.height = 2;
        p.bitCount = 1;
        p.clrUsed = 256;
        p.palette = Ramp(256);
        p.pixels = PaddedRows({{0xA0}, {0x40}});
        Save(dir, "long_table_1.bmp", BuildBmp(p));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
