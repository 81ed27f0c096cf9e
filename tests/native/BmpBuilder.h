// Builds BMP files field by field, including variants and defects our own
// writer never produces. Shared by the tests and the fuzz corpus generator.
#pragma once
#include "imaging/BmpFormat.h"
#include "imaging/ByteOrder.h"
#include "imaging/Rgb.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace bmptest {

struct BmpParts {
    std::uint32_t headerSize = img::bmp::kInfoHeaderSize;
    std::int32_t width = 1;
    std::int32_t height = 1; // negative: top-down
    std::uint16_t bitCount = 24;
    std::uint32_t compression = img::bmp::kBiRgb;
    std::uint32_t clrUsed = 0;
    std::uint32_t sizeImage = 0;
    // Red, green, blue. In the header from V2 on; after a 40-byte header when
    // the compression is BI_BITFIELDS.
    std::array<std::uint32_t, 3> masks{};
    std::vector<img::Rgb> palette; // RGBQUADs, or RGBTRIPLEs after a core header
    std::vector<std::uint8_t> pixels; // exactly as stored in the file
    std::optional<std::uint32_t> offBits;  // default: right after the table
    std::optional<std::uint32_t> fileSize; // default: the real length
};

inline std::vector<std::uint8_t> BuildBmp(const BmpParts& parts)
{
    using namespace img::detail;
    namespace bmp = img::bmp;
    const bool core = parts.headerSize == bmp::kCoreHeaderSize;
    const bool masksAfter = parts.headerSize == bmp::kInfoHeaderSize && parts.compression == bmp::kBiBitfields;
    std::vector<std::uint8_t> out(bmp::kFileHeaderSize + parts.headerSize + (masksAfter ? 12 : 0));
    std::uint8_t* h = out.data() + bmp::kFileHeaderSize;
    PutU32(h, parts.headerSize);
    if (core) {
        PutU16(h + 4, static_cast<std::uint16_t>(parts.width));
        PutU16(h + 6, static_cast<std::uint16_t>(parts.height));
        PutU16(h + 8, 1);
        PutU16(h + 10, parts.bitCount);
    } else {
        PutI32(h + 4, parts.width);
        PutI32(h + 8, parts.height);
        PutU16(h + 12, 1);
        PutU16(h + 14, parts.bitCount);
        PutU32(h + 16, parts.compression);
        PutU32(h + 20, parts.sizeImage);
        PutU32(h + 32, parts.clrUsed);
        std::uint8_t* m = parts.headerSize >= bmp::kV2HeaderSize ? h + 40 : masksAfter ? h + 40 : nullptr;
        if (m)
            for (int i = 0; i < 3; ++i)
                PutU32(m + 4 * i, parts.masks[static_cast<std::size_t>(i)]);
    }
    for (const img::Rgb& c : parts.palette) {
        out.insert(out.end(), {c.b, c.g, c.r});
        if (!core)
            out.push_back(0);
    }
    const auto offBits = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), parts.pixels.begin(), parts.pixels.end());
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out.data() + 2, parts.fileSize.value_or(static_cast<std::uint32_t>(out.size())));
    PutU32(out.data() + 10, parts.offBits.value_or(offBits));
    return out;
}

// Concatenates rows, padding each to a multiple of 4 bytes with zeros.
inline std::vector<std::uint8_t> PaddedRows(const std::vector<std::vector<std::uint8_t>>& rows)
{
    std::vector<std::uint8_t> out;
    for (const auto& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.resize((out.size() + 3) / 4 * 4, 0);
    }
    return out;
}

} // namespace bmptest
