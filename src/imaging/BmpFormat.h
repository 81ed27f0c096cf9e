// Constants of the Windows BMP file format shared by the reader and the
// writer (and by tests that build files by hand).
#pragma once
#include <cstddef>
#include <cstdint>

namespace img::bmp {

constexpr std::size_t kFileHeaderSize = 14;      // BITMAPFILEHEADER
constexpr std::uint32_t kCoreHeaderSize = 12;    // BITMAPCOREHEADER
constexpr std::uint32_t kInfoHeaderSize = 40;    // BITMAPINFOHEADER
constexpr std::uint32_t kV2HeaderSize = 52;      // + RGB masks
constexpr std::uint32_t kV3HeaderSize = 56;      // + alpha mask
constexpr std::uint32_t kV4HeaderSize = 108;     // BITMAPV4HEADER
constexpr std::uint32_t kV5HeaderSize = 124;     // BITMAPV5HEADER
constexpr std::uint16_t kSignature = 0x4D42;     // "BM"

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

// 96 dots per inch expressed in pixels per metre, as Windows writes it.
constexpr std::int32_t kPixelsPerMetre96Dpi = 3780;

constexpr std::uint32_t kMask565Red = 0xF800;
constexpr std::uint32_t kMask565Green = 0x07E0;
constexpr std::uint32_t kMask565Blue = 0x001F;
constexpr std::uint32_t kMask555Red = 0x7C00;
constexpr std::uint32_t kMask555Green = 0x03E0;
constexpr std::uint32_t kMask555Blue = 0x001F;
constexpr std::uint32_t kMask888Red = 0x00FF0000;
constexpr std::uint32_t kMask888Green = 0x0000FF00;
constexpr std::uint32_t kMask888Blue = 0x000000FF;

} // namespace img::bmp
